#pragma once
// What the upgrade tests share: old environments made by the generator in the service
// fixture's folder, the program's upgrade installed, and the checks of an environment
// that is fully upgraded.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/environment/environment_upgrade_program.h"
#include "app/environment/old_environment_backup.h"
#include "app/environment/upgrade_fault_probe.h"
#include "app/environment/upgrade_swap.h"
#include "app/environment/tests/env_service_test_util.h"
#include "app/environment/tests/old_environment_generator.h"
#include "core/foundation/csv_read.h"
#include "core/foundation/record_walk.h"

namespace envsvc {

using Records = std::vector<std::vector<std::string>>;

// The records of a record file read with `key` (null: default coding); false when it does
// not read whole.
inline bool ReadRecords(const std::string& path, const char* key, Records& out) {
    out.clear();
    XCsvRead reader;
    reader.SetUseKey(key);
    if (reader.OpenFile(path) != 1) return false;
    const RecordWalk walk = WalkRecords(reader, reader.ReadLine(), [&](int n) {
        std::vector<std::string> fields;
        for (int i = 0; i < n; ++i) fields.emplace_back(reader.GetDataView(i));
        out.push_back(std::move(fields));
        return true;
    });
    return walk == RecordWalk::kWhole;
}

class UpgradeTest : public EnvServiceTest {
protected:
    void TearDown() override {
        shell::SetUpgradeFaultProbeForTesting({});
        EnvServiceTest::TearDown();
    }

    std::string MakeOld(oldenv::Generation generation, const std::string& name = "Old") {
        oldenv::OldEnvironmentOptions o;
        o.generation = generation;
        const std::string descriptor = oldenv::MakeOldEnvironment(base_, name, o);
        EXPECT_FALSE(descriptor.empty());
        return descriptor;
    }

    // The service with the program's upgrade installed.
    shell::EnvironmentService& UpgradingService() {
        shell::EnvironmentService& service = Service();
        service.SetEnvironmentUpgrade(&upgrade_);
        return service;
    }

    // Fails the first time the upgrade reaches `point`.
    static void FailOnceAt(const std::string& point) {
        auto fired = std::make_shared<bool>(false);
        shell::SetUpgradeFaultProbeForTesting([point, fired](std::string_view at) {
            if (*fired || at != point) return false;
            *fired = true;
            return true;
        });
    }

    // Every staged file, journal or staging folder left anywhere below the fixture's folder.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(base_)) {
            const std::string name = e.path().filename().string();
            if (name.ends_with(".cov") || name == "upgrade_swap.jnl" || name.ends_with(".partial"))
                out.push_back(e.path().string());
        }
        return out;
    }

    // The environment's data key read from its descriptor (fails the test when unkeyed).
    static std::string DataKey(const std::string& descriptor) {
        EnvManager env;
        EXPECT_EQ(env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0), 0);
        EXPECT_EQ(env.GetEnvType(), 5);
        return env.GetDBKey();
    }

    // The checks of an environment made by the generator and fully upgraded: current
    // layout, every data file coded with the new key, the conversions of every step done
    // exactly once, no staged file left. `wasSplit`: the generation kept the address
    // fields split (before "Y3").
    void ExpectUpgraded(const std::string& descriptor, bool wasSplit = true) {
        const std::string key = DataKey(descriptor);
        ASSERT_FALSE(key.empty());
        const std::string f = descriptor.substr(0, descriptor.size() - 4) + "/";
        for (const char* file :
             {"systemoption.dat", "DB/database.dat", "DB/database.001", "DB/autoreg.dat", "DB/autoref.dat",
              "DB/testmailinginfo.dat", "MAIL/maillist.dat", "MAIL/1/mail1.dat", "MAIL/1/merd1.dat",
              "MAIL/1/meli1.dat", "MAIL/1/ATTACH/at_pc1.dat", "MAIL/2/mail2.dat", "MAIL/2/hist2.dat",
              "EXTRACT/extrlist.dat", "EXTRACT/exrd1.dat", "EXTRACT/exsl1.dat"}) {
            Records keyed, unkeyed;
            EXPECT_TRUE(ReadRecords(f + file, key.c_str(), keyed)) << file;
            ReadRecords(f + file, nullptr, unkeyed);
            EXPECT_NE(keyed, unkeyed) << file << " is still in the default coding";
        }
        Records r;
        ASSERT_TRUE(ReadRecords(f + "systemoption.dat", key.c_str(), r));
        ASSERT_EQ(r.size(), 1u);
        ASSERT_EQ(r[0].size(), 123u);
        EXPECT_EQ(r[0][89], "Y5");
        EXPECT_EQ(r[0][85], "N");
        EXPECT_EQ(r[0][97], "10");
        EXPECT_EQ(r[0][112], "N");  // the wizard was asked for once
        EXPECT_EQ(r[0][120], "N");

        // Record 1 had its fields split; record 2 had them joined already.
        ASSERT_TRUE(ReadRecords(f + "DB/database.dat", key.c_str(), r));
        ASSERT_GE(r.size(), 2u);
        for (const auto& row : {r[0], r[1]}) {
            EXPECT_EQ(row[9], "1234567");
            EXPECT_EQ(row[10], "");
            EXPECT_EQ(row[15], "03-1234-5678");
            EXPECT_EQ(row[16], "");
            EXPECT_EQ(row[14], "");
        }
        if (wasSplit) {
            EXPECT_EQ(r[0][13], Utf8ToSjis("港区芝公園1-2-3ビル3F"));
            EXPECT_EQ(r[0][17], "03-1234-5678");
            EXPECT_EQ(r[0][19], "090-1111-2222");
        }
        EXPECT_EQ(r[0][55], "2007/03/02 09:00:00") << "the renewal date is the record's own";
        Records generation;
        ASSERT_TRUE(ReadRecords(f + "DB/database.001", key.c_str(), generation));
        EXPECT_EQ(generation, r);

        ASSERT_TRUE(ReadRecords(f + "MAIL/maillist.dat", key.c_str(), r));
        ASSERT_EQ(r.size(), 2u);
        EXPECT_EQ(r[0][3], "D");  // "B", waiting: back to draft
        EXPECT_EQ(r[1][3], "C");  // sent stays sent
        EXPECT_EQ(r[0][11].size(), 2u);

        // Conditions on the emptied fields are gone, the others moved up.
        ASSERT_TRUE(ReadRecords(f + "MAIL/1/merd1.dat", key.c_str(), r));
        ASSERT_EQ(r.size(), 15u);
        EXPECT_EQ(r[0][0], "3");
        for (int i = 1; i < 5; ++i) EXPECT_EQ(r[static_cast<std::size_t>(i)][0], "-1") << i;
        ASSERT_TRUE(ReadRecords(f + "EXTRACT/exrd1.dat", key.c_str(), r));
        EXPECT_EQ(r[0][0], "5");
        EXPECT_EQ(r[1][0], "-1");
        ASSERT_TRUE(ReadRecords(f + "EXTRACT/extrlist.dat", key.c_str(), r));
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].size(), 5u);
        EXPECT_EQ(r[0][2], "2007/03/06 10:20:30") << "the last update is kept";

        // The attachment in the per-terminal layout, readable by the store.
        EnvManager env;
        ASSERT_EQ(env.InitEnvFileInfo(descriptor, shell::kDescriptorKey, 0), 0);
        AttachWriter attachments;
        attachments.SetEnvManager(&env);
        attachments.SetVersion(5);
        attachments.SetMailID(1);
        attachments.SetTermType(0);
        ASSERT_EQ(attachments.LoadAttachList(nullptr), 1);
        ASSERT_EQ(attachments.GetFileNum(), 1);
        EXPECT_EQ(attachments.GetAttachListElement(0, 0), oldenv::kAttachmentName);
        EXPECT_EQ(attachments.GetAttachListElement(0, 1), "second text");
        ASSERT_EQ(attachments.DecodeAttachDataToWorkDir(oldenv::kAttachmentName), 1);
        EXPECT_EQ(ReadFile(attachments.GetFolderPathForAttachFileTemporary() + oldenv::kAttachmentName),
                  oldenv::kAttachmentBytes);

        EXPECT_TRUE(Leftovers().empty()) << Leftovers()[0];
    }

    shell::ProgramEnvironmentUpgrade upgrade_{&ui_};
};

}  // namespace envsvc
