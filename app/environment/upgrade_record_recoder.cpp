#include "app/environment/upgrade_record_recoder.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

#include "core/foundation/csv_read.h"
#include "core/foundation/csv_write.h"
#include "core/foundation/record_coding.h"
#include "core/foundation/record_walk.h"
#include "platform/safe_write.h"

namespace shell {
namespace {

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

const unsigned char* DecodeTable(const char* key) {
    return key == nullptr ? DefaultDecodeTable() : RecordDecodeTable(GetKeyNumber(key));
}
const unsigned char* EncodeTable(const char* key) {
    return key == nullptr ? DefaultEncodeTable() : RecordEncodeTable(GetKeyNumber(key));
}

}  // namespace

RecodeResult RecodeRecordFile(const std::string& source, const char* fromKey, const std::string& target,
                              const char* toKey, const RecordRewrite& rewrite) {
    if (!FileExists(source)) return RecodeResult::kAbsent;
    XCsvRead reader;
    reader.SetUseKey(fromKey);
    if (reader.OpenFile(source) != 1) return RecodeResult::kUnreadable;
    XCsvWrite writer;
    writer.SetUseKey(toKey);
    if (writer.OpenFile(target, WriteMode::kSafe) != 1) return RecodeResult::kNotWritten;

    bool written = true;
    std::vector<std::string> fields;
    const RecordWalk walk = WalkRecords(reader, reader.ReadLine(), [&](int count) {
        writer.BufferEmpty();
        if (rewrite) {
            fields.resize(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i) fields[static_cast<std::size_t>(i)].assign(reader.GetDataView(i));
            rewrite(fields);
            for (const std::string& f : fields) writer.SetData(std::string_view(f));
        } else {
            for (int i = 0; i < count; ++i) writer.SetData(reader.GetDataView(i));
        }
        if (writer.WriteLine() < 0) written = false;
        return written;
    });
    if (walk != RecordWalk::kWhole) {
        writer.AbortFile();
        return walk == RecordWalk::kRejected ? RecodeResult::kNotWritten : RecodeResult::kUnreadable;
    }
    return writer.CloseFile() == 0 ? RecodeResult::kWritten : RecodeResult::kNotWritten;
}

RecodeResult RecodeBytes(const std::string& source, const char* fromKey, const std::string& target,
                         const char* toKey) {
    if (!FileExists(source)) return RecodeResult::kAbsent;
    std::FILE* in = platform::OpenPrivateStream(source);
    if (in == nullptr) return RecodeResult::kUnreadable;
    unsigned char map[256];
    const unsigned char* decode = DecodeTable(fromKey);
    const unsigned char* encode = EncodeTable(toKey);
    for (int c = 0; c < 256; ++c) map[c] = encode[decode[c]];

    platform::AtomicFile out;
    if (!out.Open(target)) {
        std::fclose(in);
        return RecodeResult::kNotWritten;
    }
    char buf[1 << 16];
    bool ok = true;
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) {
        for (std::size_t i = 0; i < n; ++i) buf[i] = static_cast<char>(map[static_cast<unsigned char>(buf[i])]);
        if (!out.Write(std::string_view(buf, n))) {
            ok = false;
            break;
        }
    }
    const bool readError = std::ferror(in) != 0;
    std::fclose(in);
    if (readError) {
        out.Abort();
        return RecodeResult::kUnreadable;
    }
    if (!ok || !out.Commit()) return RecodeResult::kNotWritten;
    return RecodeResult::kWritten;
}

}  // namespace shell
