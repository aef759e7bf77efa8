#include "core/foundation/env_layout.h"

#include "core/foundation/env_manager.h"
#include "platform/path.h"

namespace env_layout {
namespace {

// Root + name + tail, fixed.
std::string Build(const EnvManager& env, const std::string& tail) {
    return platform::FixPath(env.GetEnvRoot() + env.GetEnvName() + tail);
}

std::string Id(int n) { return std::to_string(n); }

}  // namespace

const char* TerminalFolderCode(int termType) {
    switch (termType) {
        case 1: return "nd";
        case 2: return "at";
        case 3: return "sb";
        case 4: return "wl";
        default: return "pc";
    }
}

std::string EnvFolder(const EnvManager& env) { return Build(env, "\\"); }
std::string DescriptorFile(const EnvManager& env) { return Build(env, ".env"); }
std::string SystemOptionFile(const EnvManager& env) { return Build(env, "\\systemoption.dat"); }
std::string EnvIniFile(const EnvManager& env) { return Build(env, "\\QuendrelT.ini"); }
std::string ImportWorkFile(const EnvManager& env) { return Build(env, "\\qlaimport.tmp"); }

std::string DbFolder(const EnvManager& env) { return Build(env, "\\DB\\"); }
std::string DatabaseFile(const EnvManager& env) { return Build(env, "\\DB\\database.dat"); }
std::string DatabaseJournalFile(const EnvManager& env) { return Build(env, "\\DB\\database.jnl"); }
std::string TestMailingInfoFile(const EnvManager& env) { return Build(env, "\\DB\\testmailinginfo.dat"); }
std::string CustomerSeqFile(const EnvManager& env) { return Build(env, "\\DB\\dbseq.dat"); }
std::string AutoRegisterFile(const EnvManager& env) { return Build(env, "\\DB\\autoreg.dat"); }
std::string AutoRefuseFile(const EnvManager& env) { return Build(env, "\\DB\\autoref.dat"); }

std::string MailFolder(const EnvManager& env) { return Build(env, "\\MAIL\\"); }
std::string MailListFile(const EnvManager& env) { return Build(env, "\\MAIL\\maillist.dat"); }
std::string MailSeqFile(const EnvManager& env) { return Build(env, "\\MAIL\\mailseq.dat"); }
std::string OneMailFolder(const EnvManager& env, int id) {
    return Build(env, "\\MAIL\\" + Id(id) + "\\");
}
std::string MailRecordFile(const EnvManager& env, int id) {
    return Build(env, "\\MAIL\\" + Id(id) + "/mail" + Id(id) + ".dat");
}
std::string MailConditionFile(const EnvManager& env, int id) {
    return Build(env, "\\MAIL\\" + Id(id) + "\\merd" + Id(id) + ".dat");
}
std::string MailRecipientFile(const EnvManager& env, int id) {
    return Build(env, "\\MAIL\\" + Id(id) + "\\meli" + Id(id) + ".dat");
}
std::string MailHistoryFile(const EnvManager& env, int id) {
    return Build(env, "\\MAIL\\" + Id(id) + "\\hist" + Id(id) + ".dat");
}
std::string MailHistoryProgressFile(const EnvManager& env, int id) {
    return Build(env, "\\MAIL\\" + Id(id) + "\\hist" + Id(id) + ".jnl");
}
std::string AttachListFile(const EnvManager& env, int id) {
    return Build(env, "\\MAIL\\" + Id(id) + "\\attc" + Id(id) + ".dat");
}
std::string AttachFolder(const EnvManager& env, int id) {
    return Build(env, "\\MAIL\\" + Id(id) + "\\ATTACH\\");
}
std::string AttachListFile(const EnvManager& env, int id, int termType) {
    return Build(env, "\\MAIL\\" + Id(id) + "\\ATTACH\\at_" + TerminalFolderCode(termType) + Id(id) +
                          ".dat");
}
std::string AttachFolder(const EnvManager& env, int id, int termType) {
    return Build(env, "\\MAIL\\" + Id(id) + "\\ATTACH\\" + TerminalFolderCode(termType) + "\\");
}
std::string AttachWorkFolder(const EnvManager& env) { return Build(env, "\\MAIL\\ATEMP\\"); }
std::string AttachWorkFolder(const EnvManager& env, int termType) {
    return Build(env, std::string("\\MAIL\\ATEMP\\") + TerminalFolderCode(termType) + "\\");
}

std::string ExtractFolder(const EnvManager& env) { return Build(env, "\\EXTRACT\\"); }
std::string ExtractListFile(const EnvManager& env) { return Build(env, "\\EXTRACT\\extrlist.dat"); }
std::string ExtractSeqFile(const EnvManager& env) { return Build(env, "\\EXTRACT\\extrseq.dat"); }
std::string ExtractConditionFile(const EnvManager& env, int n) {
    return Build(env, "\\EXTRACT\\exrd" + Id(n) + ".dat");
}
std::string ExtractResultFile(const EnvManager& env, int n) {
    return Build(env, "\\EXTRACT\\exsl" + Id(n) + ".dat");
}

}  // namespace env_layout
