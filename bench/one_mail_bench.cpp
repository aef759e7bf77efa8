// Storing and reading mails with attachments: one large attachment through the store (base64
// body written, then decoded back into the work folder), and a whole text mail with four
// attachments for each of the five terminal types, stored over itself and read back.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/mailstore/attach_writer.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_maker.h"
#include "platform/safe_write.h"

namespace {

// An unkeyed environment on a temporary folder.
class BenchEnv {
public:
    BenchEnv() {
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/ombrel-mail-bench-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl + "/";
        std::filesystem::create_directories(root_ + "Env/MAIL");
        if (!platform::WriteFileAtomically(root_ + "Env.env", "") ||
            !platform::WriteFileAtomically(root_ + "Env/MAIL/maillist.dat", "") ||
            env_.InitEnvFileInfo(root_ + "Env.env", nullptr, 0) != 0)
            std::abort();
    }
    ~BenchEnv() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    EnvManager& env() { return env_; }

private:
    std::string root_;
    EnvManager env_;
};

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 2654435761u) >> 13);
    return s;
}

void BM_AttachmentEncodeDecode(benchmark::State& state) {
    BenchEnv e;
    const std::string bytes = Bytes(static_cast<size_t>(state.range(0)));
    AttachWriter w;
    w.SetEnvManager(&e.env());
    w.SetVersion(5);
    w.SetMailID(1);
    w.SetTermType(0);
    w.SetFlagForDeleteFileInTemp(0);
    const std::string work = w.GetFolderPathForAttachFileTemporary();
    std::filesystem::create_directories(work);
    platform::WriteFileAtomically(work + "big.bin", bytes);
    for (auto _ : state) {
        if (w.EncodeTempDataToDataDir("big.bin", 0) != 1 || w.DecodeAttachDataToWorkDir("big.bin") != 1)
            state.SkipWithError("store failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_AttachmentEncodeDecode)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void BM_StoreAndReadTextMail(benchmark::State& state) {
    BenchEnv e;
    CMailListViewer list;
    if (list.SetEnvManager(&e.env()) != 1) std::abort();
    const size_t size = static_cast<size_t>(state.range(0));
    OneMail mail;
    for (int row = 0; row < OneMail::kTermRows; ++row) {
        mail.subject[row] = "subject";
        mail.body[row] = std::string(2000, 'b');
    }
    for (int type = 0; type < OneMail::kAttachTypes; ++type) {
        const std::string work = env_layout::AttachWorkFolder(e.env(), type);
        std::filesystem::create_directories(work);
        for (int i = 0; i < 4; ++i) {
            const std::string name = "file" + std::to_string(i) + ".bin";
            platform::WriteFileAtomically(work + name, Bytes(size));
            mail.attach[type].push_back({name, std::to_string(size)});
        }
    }
    OneMailMaker maker;
    maker.SetEnvManager(&e.env());
    maker.SetMailListViewer(&list);
    maker.SetMailID(-1);
    if (maker.SetOneMailData(mail, "N", 5) != 0) std::abort();
    for (auto _ : state) {
        OneMail read;
        if (maker.SetOneMailData(mail, "N", 5) != 0 || maker.GetOneMailData(read, "N", 5) != 0)
            state.SkipWithError("store failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 20 * static_cast<int64_t>(size));
}
BENCHMARK(BM_StoreAndReadTextMail)->Arg(100 << 10)->Unit(benchmark::kMillisecond);

}  // namespace
