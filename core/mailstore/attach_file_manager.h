#pragma once
// One attachment as a pair of texts, its file name (Shift_JIS, decoded) and its body in
// base64, and the conversions between that pair and the other forms an attachment takes:
// a file on disk, a parsed MIME part and the text of a MIME part.
//
// A body this class encodes itself holds no line breaks; a body taken from a base64 part
// keeps the part's lines. The part text it writes always has base64 lines of 76
// characters, whatever the body held.

#include <string>
#include <string_view>

#include "core/mailstore/mime_format_struct.h"

class CAttachFileManager {
public:
    CAttachFileManager() = default;
    CAttachFileManager(const CAttachFileManager&) = default;
    CAttachFileManager& operator=(const CAttachFileManager&) = default;
    virtual ~CAttachFileManager() = default;

    void Init();
    std::string GetFileName() const { return fileName; }
    std::string GetFileBodyBase64() const { return fileBodyBase64; }

    // The file's last path component becomes the name and all its bytes, in base64, the
    // body. 0; -1 when there is no such file (or it is not a regular file); -2 when it
    // cannot be read. Nothing changes on failure.
    int SetFileInfoFromFile(const std::string& path);

    // Parses the text of one MIME part; -1 when the parser reports a fault, otherwise the
    // result of SetFileInfoFromMimeFormatStruct.
    int SetFileInfoFromMimeString(std::string_view text);

    // The body by the part's transfer encoding (searched without regard to case, in this
    // order): "base64" as it stands; "quoted-printable" decoded and encoded in base64;
    // "7bit" encoded in base64. Any other encoding (none included) empties the body and
    // gives -2, leaving the name as it was. Then the name is the part's file name: 0 when
    // there is one, 3 when there is none (the name is then empty).
    int SetFileInfoFromMimeFormatStruct(MimeFormatStruct part);

    // The text of a MIME part for this attachment (application/octet-stream, attachment,
    // base64, the encoded name in both name parameters); "" when name and body are empty.
    std::string GetFileMimeString() const;

    // A Shift_JIS file name ready for a MIME header parameter: an all-ASCII name as it
    // stands, any other as ISO-2022-JP encoded words. The one encoder of attachment names.
    static std::string EncodeFileName(std::string_view sjisName);

private:
    // The part's decoded file name: the filename parameter of its Content-Disposition,
    // else the name parameter of its Content-Type; "" when it has neither.
    static std::string GetAttacheFileName(const MimeFormatStruct& part);

    std::string fileBodyBase64;
    std::string fileName;
};
