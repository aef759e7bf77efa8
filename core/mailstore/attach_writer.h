#pragma once
// AttachWriter: the attachment list of one mail (in list version 5, of one terminal type of
// the mail) with the attachments' stored bodies and the work folder they are decoded into
// and encoded from. The user's own files are never referenced once attached: the composing
// screens copy them into the work folder, this class encodes them from there into the
// mail's folder and decodes them back when a mail is opened or sent.
//
// Files (env_layout.h; <id> the mail ID, <tt> the terminal type's code, "pc" when unset):
//   version 3, 4: list  MAIL/<id>/attc<id>.dat          bodies  MAIL/<id>/ATTACH/
//                 work  MAIL/ATEMP/
//   version 5:    list  MAIL/<id>/ATTACH/at_<tt><id>.dat bodies MAIL/<id>/ATTACH/<tt>/
//                 work  MAIL/ATEMP/<tt>/
// A body is "<name>.base64": the bytes in base64, lines of 76 characters, each line
// followed by CR LF (an empty file is a single CR LF). List rows are (file name, a second
// text the caller supplies and gets back unchanged). The list is a record file coded with
// the environment's key, except for list version 3 and in an unkeyed environment.
//
// Attachment names are bare file names: a name that is empty, "." or "..", or holds "/",
// a backslash character, NUL or another control byte is refused before it touches the file
// system (a Shift_JIS trail byte 0x5C is part of its character, not a backslash). A stored
// list holding such a name counts as damaged.
//
// The work folder is shared by every open mail of the environment (MAIL/ATEMP/ is even the
// parent of the version-5 work folders), so destroying this object removes only the work
// files that this object itself decoded, and only when the delete-in-temp flag is on;
// emptying a work folder is the explicit ClearWorkFolder.
//
// Results: 1 for success, 0 (or the negative number given) for failure, the code recorded
// in GetErrMsg(). The object is usable when the environment is set, the mail ID is -1 or
// more, and the version is 3 or 4, or 5 with a terminal type 0-4.

#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/err_msg.h"
#include "core/foundation/record_table.h"
#include "core/mailstore/one_mail.h"

class EnvManager;
class MailUpdate;

class AttachWriter : public BaseRecordStructer {
public:
    static constexpr int kUnset = -9;

    AttachWriter();
    // Removes the work files this object decoded when the delete-in-temp flag is on.
    ~AttachWriter() override;
    AttachWriter(const AttachWriter&) = delete;
    AttachWriter& operator=(const AttachWriter&) = delete;

    // Set once and only non-null: 1; else 0.
    int SetEnvManager(EnvManager* env);
    CErrMsg& GetErrMsg() { return err_; }

    // 3, 4 or 5: 1; anything else: 0 and nothing changes.
    int SetVersion(int version);
    // -1 or more: 1; below -1: 0. -1 (a new mail with nothing stored) also empties the list.
    int SetMailID(long id);
    // A terminal type 0-4 (TermType): 1; else 0. Used by version 5 only.
    int SetTermType(int termType);
    // Whether the destructor removes the work files this object decoded (on at start).
    int SetFlagForDeleteFileInTemp(int flag);

    // Loads the list file, after finishing or undoing an update of the mail that a killed
    // process left (mail_update.h; one that cannot be finished: 15102, 0). The key is the
    // environment's (none for version 3 or an unkeyed environment) unless `key` is
    // non-null. Not usable: 0. Mail ID -1, a missing or an empty file: empty list, 1. A
    // damaged file (rows of differing lengths, rows of other than two texts, an unsafe
    // name, an unreadable record): 15102, 0, empty list - and the damaged file is never
    // saved over until a load of it succeeds. 4207 and 0 when a keyed environment's key
    // cannot be read.
    int LoadAttachList(const char* key);
    // Element `column` (0 the name, 1 the second text) of a row; "" with 15101 for a row
    // out of range, 15005 for another column.
    std::string GetAttachListElement(int row, int column);
    // The number of listed attachments.
    int GetFileNum() const { return GetRecordNumber(); }
    // Appends a row: 0; -2 (15102) for an unsafe name or when the table refuses the row.
    int SetAttachListRecordToMemory(const std::string& name, const std::string& secondText);
    // Deletes the body of every listed attachment and empties the list (mail ID -1: only
    // empties it). 0 when not usable.
    int InitAttachListAndData();

    // The stored base64 text of attachment `name`: 1; 0 with 15104 when it cannot be read
    // or the name is unsafe.
    int GetAttachDataString(const std::string& name, std::string& out);
    // Decodes the stored body of `name` into "<work folder>/<name>" (line breaks of any
    // length are ignored; folders made as needed; the file replaced safely). 0 without a
    // code when the body cannot be read; 15104 for an unsafe name; 15105 when the body is
    // no valid base64; 15107 when the work file cannot be written.
    int DecodeAttachDataToWorkDir(const std::string& name);
    // Encodes "<work folder>/<name>" (with `commonWorkFolder` nonzero "MAIL/ATEMP/<name>"
    // whatever the version) into the stored body of `name`. 15106 when the work file
    // cannot be read or the name is unsafe; 15107 when the body cannot be written; 15004
    // for mail ID -1. The stored body is replaced at once: to replace a mail's attachments
    // without risking the stored ones, use ReplaceAttachList.
    int EncodeTempDataToDataDir(const std::string& name, int commonWorkFolder);
    // Every listed body can be opened: 1; else 0 with 15104.
    int CheckAllFile();
    // Writes the list file (its folder made as needed): 1; 0 when not usable; 15004 for
    // mail ID -1; 15103 when the file is not written (the old file is kept; also after a
    // failed load of it).
    int SaveAttachList();
    // Writes the list to `path` with the environment's key (none for version 3): 1; 0 with
    // 15103.
    int WriteFromMemoryToFileAppointFileName(const std::string& path);

    // Replaces the stored attachments with `items` in one step (a MailUpdate of its own, see
    // StageAttachList): afterwards the mail has either the old list and bodies or the new
    // ones, even when the process is killed half-way. 1 with the new list in memory; 0 with
    // the code of StageAttachList, or 15103 when the update cannot begin or be committed
    // (the old list and bodies stay), or 15107 when it was committed but a body could not
    // be put in place (the next load of the list finishes it).
    int ReplaceAttachList(const std::vector<AttachData>& items, int commonWorkFolder);
    // Stages the replacement of the stored attachments by `items` into `update` (begun for
    // this object's mail): the new bodies are encoded from the work folder (or the common
    // one) and the new list written into the staging folder, and the bodies that the
    // stored list names and the new one does not are marked for removal. Nothing of the
    // mail changes until the update is committed. 1, with the new list in memory; 0 with
    // 15102 (the stored list is damaged and would be lost), 15106 (a work file is
    // unreadable or a name unsafe), 15107 (a body not written), 15103 (the list not
    // written), 15004 (mail ID -1); the update should then be aborted.
    int StageAttachList(const std::vector<AttachData>& items, int commonWorkFolder, MailUpdate& update);

    // Removes the files (and links) lying directly in the work folder; sub-folders and what
    // they hold are kept. 1; 0 when the folder is unknown or some file could not be removed
    // (a missing folder is empty).
    int ClearWorkFolder();

    // Base64 of a file's bytes in lines of 76 characters, each followed by CR LF; an empty
    // file gives "\r\n", a file that cannot be read "".
    static std::string GetBase64EncodedStringForFile(const std::string& path);
    // The body format of a stored attachment, from bytes in memory.
    static std::string EncodeBody(std::string_view bytes);
    // A bare file name that may become a path component (see the header comment).
    static bool IsSafeAttachName(std::string_view name);

    // The work folder (ends in '/'); needs only the environment and the version.
    std::string GetFolderPathForAttachFileTemporary() const;

private:
    bool Usable() const;
    std::string GetFilePathForAttachFileList() const;
    std::string GetDirPathForAttachFileList() const;
    std::string GetFolderPathForAttachFileBody() const;
    std::string BodyPath(const std::string& name) const;
    // The key for the list file: 0 and `keyed`/`key` set; -1 (4207 recorded) when a keyed
    // environment's key cannot be read.
    int ListKey(bool& keyed, std::string& key);
    int Fail(int code, int result = 0) {
        err_.SetErr(code);
        return result;
    }

    EnvManager* env_ = nullptr;
    int version_ = kUnset;
    long mailID_ = kUnset;
    int termType_ = kUnset;
    int deleteInTemp_ = 1;
    std::string damagedList_;              // a list file that failed to load: never saved over
    std::vector<std::string> decoded_;     // work files this object wrote
    CErrMsg err_;
};
