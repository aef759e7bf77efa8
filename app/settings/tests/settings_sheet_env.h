#pragma once
// The settings screens' world: the record screens' environment (record_test_env.h) whose
// system options hold a shop's complete set-up (sender, both servers with SSL and SMTP
// authentication, the send and receive options), written to its systemoption.dat, and
// helpers that read the options back from memory and from the file.

#include <QAbstractButton>
#include <QPushButton>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/addressui/tests/record_test_env.h"
#include "app/ui/control_ids.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/system_option.h"

namespace settingstest {

using rectest::Control;
using rectest::S;

// The fixture's options (UTF-8), on top of a new environment's defaults.
inline const std::vector<std::pair<int, const char*>>& ShopOptions() {
    static const std::vector<std::pair<int, const char*>> o = {
        {0, "info@shop.example.jp"}, {82, "テスト商店"},  {1, "pop.example.jp"},  {2, "995"},
        {3, "0"},                    {4, "shop"},         {5, "pop-secret"},      {6, "Y"},
        {7, "N"},                    {8, "smtp.example.jp"}, {9, "587"},          {10, "+0900"},
        {85, "Y"},                   {86, "1"},           {87, "4"},              {88, "N"},
        {90, "Y"},                   {94, "smtp-user"},   {95, "smtp-secret"},    {80, "テスト商店\r\n電話 03-0000-0000"},
        {81, "Y"},                   {65, "5"},           {66, "120"},            {101, "Y"},
        {102, "100"},                {103, "30"},         {96, "Y"},              {97, "15"},
        {108, "配信停止"},
    };
    return o;
}

class SettingsEnvTest : public rectest::RecordEnvTest {
protected:
    void SetUp() override {
        RecordEnvTest::SetUp();
        if (HasFatalFailure()) return;
        for (const auto& [slot, value] : ShopOptions()) Set(slot, value);
        ASSERT_EQ(Options().WriteSODataFromMemoryToFileCompel(), 0);
    }

    void Set(int slot, const std::string& sjis) { ASSERT_EQ(Options().SetSODataToMemoryPinPoint(slot, sjis), 0) << slot; }
    void Set(int slot, const char* utf8) { Set(slot, S(utf8)); }
    // Slot `slot` of the options in memory (Shift_JIS).
    std::string Stored(int slot) {
        std::string value;
        EXPECT_EQ(Options().GetSODataFromMemoryPinPoint(slot, value), 0) << slot;
        return value;
    }
    std::vector<std::string> AllStored() {
        std::vector<std::string> all;
        EXPECT_EQ(Options().GetSODataFromMemoryToAllData(all), 0);
        return all;
    }
    std::string OptionsFile() { return env_layout::SystemOptionFile(*Env()); }
    std::string FileBytes() {
        std::ifstream in(OptionsFile(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

// Clicks button `id` of `root`.
inline void Click(const QObject* root, int id) {
    if (auto* b = Control<QAbstractButton>(root, id)) b->click();
}

}  // namespace settingstest
