#pragma once
// The folder layout of an environment: every file and folder path a store uses, built as
// EnvRoot + EnvName + a fixed tail and fixed with PathFix (backslashes become '/', doubled
// separators collapse). <id> is a mail ID and <n> an extraction number, in decimal without
// padding; <tt> is the two-letter folder code of a terminal type.
//
// Folders end in '/'. All functions take the open environment (only its root and name
// are used).

#include <string>

class EnvManager;

namespace env_layout {

// Two-letter folder code of a terminal type: "pc" (0, and any value not listed), "nd" (1),
// "at" (2), "sb" (3), "wl" (4).
const char* TerminalFolderCode(int termType);

std::string EnvFolder(const EnvManager& env);          // <folder>/
std::string DescriptorFile(const EnvManager& env);     // <folder>.env
std::string SystemOptionFile(const EnvManager& env);   // <folder>/systemoption.dat
std::string EnvIniFile(const EnvManager& env);         // <folder>/QuendrelT.ini
std::string ImportWorkFile(const EnvManager& env);     // <folder>/qlaimport.tmp

std::string DbFolder(const EnvManager& env);           // <folder>/DB/
std::string DatabaseFile(const EnvManager& env);       // DB/database.dat
// The address book's journal of changes since its last whole save (appended, replayed on read).
std::string DatabaseJournalFile(const EnvManager& env);  // DB/database.jnl
std::string TestMailingInfoFile(const EnvManager& env);  // DB/testmailinginfo.dat
std::string CustomerSeqFile(const EnvManager& env);    // DB/dbseq.dat
std::string AutoRegisterFile(const EnvManager& env);   // DB/autoreg.dat
std::string AutoRefuseFile(const EnvManager& env);     // DB/autoref.dat

std::string MailFolder(const EnvManager& env);         // <folder>/MAIL/
std::string MailListFile(const EnvManager& env);       // MAIL/maillist.dat
std::string MailSeqFile(const EnvManager& env);        // MAIL/mailseq.dat
std::string OneMailFolder(const EnvManager& env, int id);        // MAIL/<id>/
std::string MailRecordFile(const EnvManager& env, int id);       // MAIL/<id>/mail<id>.dat
std::string MailConditionFile(const EnvManager& env, int id);    // MAIL/<id>/merd<id>.dat
std::string MailRecipientFile(const EnvManager& env, int id);    // MAIL/<id>/meli<id>.dat
std::string MailHistoryFile(const EnvManager& env, int id);      // MAIL/<id>/hist<id>.dat
// The send history's record of progress since its last save (appended, replayed on read).
std::string MailHistoryProgressFile(const EnvManager& env, int id);  // MAIL/<id>/hist<id>.jnl
// Attachment lists and bodies of list versions 3 and 4.
std::string AttachListFile(const EnvManager& env, int id);       // MAIL/<id>/attc<id>.dat
std::string AttachFolder(const EnvManager& env, int id);         // MAIL/<id>/ATTACH/
// List version 5, per terminal type.
std::string AttachListFile(const EnvManager& env, int id, int termType);  // ATTACH/at_<tt><id>.dat
std::string AttachFolder(const EnvManager& env, int id, int termType);    // ATTACH/<tt>/
std::string AttachWorkFolder(const EnvManager& env);                      // MAIL/ATEMP/
std::string AttachWorkFolder(const EnvManager& env, int termType);        // MAIL/ATEMP/<tt>/

std::string ExtractFolder(const EnvManager& env);      // <folder>/EXTRACT/
std::string ExtractListFile(const EnvManager& env);    // EXTRACT/extrlist.dat
std::string ExtractSeqFile(const EnvManager& env);     // EXTRACT/extrseq.dat
std::string ExtractConditionFile(const EnvManager& env, int n);  // EXTRACT/exrd<n>.dat
std::string ExtractResultFile(const EnvManager& env, int n);     // EXTRACT/exsl<n>.dat

}  // namespace env_layout
