// The environment is never changed under a send or receive run: every kind of run is
// refused with its name, the one-mail send and unknown kinds included.

#include <gtest/gtest.h>

#include "app/environment/run_monitor.h"
#include "env_service_test_util.h"

namespace {

using envsvc::EnvServiceTest;

class FakeMonitor : public shell::RunMonitor {
public:
    bool IsRunning() const override { return kind != shell::kRunNone; }
    int RunKind() const override { return kind; }
    int kind = shell::kRunNone;
};

TEST_F(EnvServiceTest, ChangeRefusedWhileAnyRunIsUnderWay) {
    shell::EnvironmentService& service = Service();
    FakeMonitor monitor;
    shell::SetRunMonitor(&monitor);
    EXPECT_EQ(service.CanChangeEnvironment(1), 1);
    EXPECT_EQ(service.CanChangeEnvironment(0), 1);
    EXPECT_TRUE(prompts_.prompts().empty());

    const struct {
        int kind;
        const char* words;
    } runs[] = {
        {1, "手動送受信中"}, {2, "手動受信中"}, {3, "手動送信中"}, {4, "自動送受信中"},
        {5, "メール送信中"}, {6, "分割送信中"}, {7, "自動受信中"}, {42, "送受信中"},
    };
    for (const auto& run : runs) {
        monitor.kind = run.kind;
        for (int forSwitch : {1, 0}) {
            prompts_.clear();
            EXPECT_EQ(service.CanChangeEnvironment(forSwitch), 0) << run.kind;
            ASSERT_EQ(prompts_.prompts().size(), 1u);
            const QString refusal = forSwitch ? QString::fromUtf8("環境の切り替えはできません")
                                              : QString::fromUtf8("環境の新規作成はできません");
            EXPECT_EQ(prompts_.prompts()[0].text,
                      QString::fromUtf8("現在【%1】です\r\n").arg(QString::fromUtf8(run.words)) + refusal);
            EXPECT_EQ(prompts_.prompts()[0].caption, refusal);
            EXPECT_EQ(prompts_.prompts()[0].style, platform::kMbOk | platform::kMbIconInformation);
        }
    }
}

}  // namespace
