#pragma once
// HtmlPreviewFile: the one preview file of an HTML mail page. Every rebuild of a page's
// preview writes the whole message into a new file of the preview folder and drops the
// previous one, so the preview never shows a stale copy:
//
//   name    "~TMP_" + local date and time "YYYYMMDDhhmmss" + "_" + a number + ".eml"
//   content the page's message text as bytes (Shift_JIS text, CR LF), nothing around it
//
// MakeName draws the number from a generator of this object seeded with the current
// second, and tries r + 1, r + 2, ... (r alone where r + n would reach 2,147,483,647), so
// rebuilds within one second take consecutive numbers. A name is taken only when it
// differs from the address the preview shows (a deleted file's name is never reused for
// the very next file) and the file can be created exclusively: a name that exists in any
// form, or that another writer creates at the same moment, is passed over. Nothing of the
// process-wide random generator is touched.
//
// Failures: with no folder nothing is named or written (0); a write or delete that fails
// gives 0. A failed delete still forgets the path, so the next file gets a new name and
// the old one stays behind; SweepLeftovers removes such files, and those of a program that
// ended abnormally, when a preview folder is set: every "~TMP_*.eml" of the folder (by the
// name form above) last written before this program started.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace htmledit {

class HtmlPreviewFile {
public:
    HtmlPreviewFile() = default;
    // Deletes the current file.
    ~HtmlPreviewFile();
    HtmlPreviewFile(const HtmlPreviewFile&) = delete;
    HtmlPreviewFile& operator=(const HtmlPreviewFile&) = delete;

    // The folder of the preview files (empty: no preview).
    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    const std::string& Folder() const { return folder_; }
    // The current file's path; empty when there is none.
    const std::string& Path() const { return path_; }

    // Chooses a free name (not `shown`, the preview's current address), creates the file
    // empty and keeps its path: 1; 0 without a folder or when no file could be created.
    int MakeName(const std::string& shown);
    // Writes `text` into the current file, naming one first when there is none: 1 or 0.
    int Write(std::string_view text, const std::string& shown);
    // Deletes the current file and forgets its path: 1; 0 when there was none or it could
    // not be deleted.
    int Delete();

    // Removes the leftover preview files of `folder` (see above); the number removed.
    static int SweepLeftovers(const std::string& folder);
    // Whether `name` has the form of a preview file's name.
    static bool IsPreviewFileName(std::string_view name);

    // Tests: the clock that gives the local time of the names (empty: the system's).
    static void SetClockForTesting(std::function<std::time_t()> clock);

private:
    std::string folder_;
    std::string path_;
};

}  // namespace htmledit
