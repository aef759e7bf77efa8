#include "updater/updater.h"

#include <chrono>

#include "platform/process_runner.h"
#include "updater/installed_version.h"
#include "updater/update_module.h"

namespace fennick {

std::string PrintableName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    const auto escape = [&out](unsigned char byte) {
        static const char kHex[] = "0123456789abcdef";
        out += "\\x";
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    };
    for (std::size_t i = 0; i < name.size();) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '\\') {
            out += "\\\\";
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            escape(c);
            ++i;
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // A UTF-8 sequence: its length by the lead byte, each continuation 10xxxxxx, the
        // shortest form, no surrogate, nothing above U+10FFFF, and no C1 control (U+0080
        // to U+009F, which terminals act on like the C0 ones).
        const std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        bool whole = length != 0 && i + length <= name.size();
        unsigned long code = length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
        for (std::size_t k = 1; whole && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(name[i + k]);
            whole = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (whole) {
            whole = !(length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) &&
                    !(length == 4 && (code < 0x10000 || code > 0x10FFFF)) && !(code >= 0x80 && code <= 0x9F);
        }
        if (!whole) {
            escape(c);
            ++i;
            continue;
        }
        out.append(name.substr(i, length));
        i += length;
    }
    return out;
}

UpdateResult RunUpdate(const UpdaterSetup& setup) {
    const auto show = [&](const std::string& text, const std::string& caption) {
        if (setup.showError) setup.showError(text, caption);
    };

    // Only the program's own folder: see updater.h. Unknown, it is no folder at all (not
    // the current one).
    if (setup.programFolder.empty()) {
        show(kNoOwnFolderMessage, kProgramName);
        return UpdateResult::kNoOwnFolder;
    }
    const std::optional<FoundModule> module = FindUpdateModule({setup.programFolder});
    if (!module) {
        if (const std::optional<FoundModule> outside = FindUpdateModule({"."})) {
            show(std::string(kModuleOutsideMessage) + "\n" + PrintableName(outside->path), kProgramName);
            return UpdateResult::kModuleOutside;
        }
        show(kNoModuleMessage, kProgramName);
        return UpdateResult::kNoModule;
    }

    std::string installed;
    if (!ReadInstalledVersion(setup.versionStore, installed) ||
        !InstalledVersionMatches(installed, module->kind->expectedVersion)) {
        show(kNotInstalledMessage, module->kind->caption);
        return UpdateResult::kNotInstalled;
    }

    int exitCode = 0;
    const platform::ProcessEnd end =
        platform::RunProcess({module->path}, std::chrono::milliseconds(0), {}, exitCode);
    if (end == platform::ProcessEnd::kNotStarted) {
        show(std::string(kCannotStartMessage) + "\n" + PrintableName(module->path), module->kind->caption);
        return UpdateResult::kStartFailed;
    }
    return UpdateResult::kModuleRan;
}

}  // namespace fennick
