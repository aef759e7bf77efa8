#pragma once
// The import screens' world: the record screens' environment (Japanese attribute names,
// the program's environment service) plus import files written byte for byte, a copy of
// the whole address book to prove it unchanged, and the prompts and file choosers
// recorded.

#include <gtest/gtest.h>

#include <QApplication>

#include <fstream>
#include <string>
#include <vector>

#include "app/addressui/tests/record_test_env.h"
#include "app/ui/testing/prompt_recorder.h"

namespace importtest {

using rectest::S;

class ImportEnvTest : public rectest::RecordEnvTest {
protected:
    // Writes `bytes` to <temp>/<name> and returns the path.
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.path().toStdString() + "/" + name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string TempPath(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }

    // Every row of the book, in order.
    std::vector<std::vector<std::string>> AllRows() {
        std::vector<std::vector<std::string>> rows;
        for (int i = 0; i < Book().GetLineNumber(); ++i) rows.push_back(Book().GetAtLine(i).values());
        return rows;
    }
    // Rows whose mail address is `mail`.
    int CountMail(const std::string& mail) {
        int n = 0;
        for (int i = 0; i < Book().GetLineNumber(); ++i)
            if (Book().GetAtElement(i, kElemEmail) == mail) ++n;
        return n;
    }

    ui::test::FilePickerRecorder files_;
};

}  // namespace importtest
