// What narrowing an environment to its owner costs at each open, on an environment of
// 10,000 mails laid out as the program lays them out (per mail its folder, five record
// files and an attachment in ATTACH/pc/: about 90,000 entries).
//
//   BM_WalkPrivateEnvironment:   a full walk of an environment that is private already
//                                (one stat per entry): what every open would cost if it
//                                walked the tree each time.
//   BM_NarrowPrivateEnvironment: the usual open, as the program does it: the environment's
//                                folder is private, so the tree is not walked.
//   BM_NarrowWideEnvironment:    the first open of an environment an earlier version left
//                                readable by others (every entry changed).
//
// Set OMBREL_BENCH_MAILS to use another number of mails.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/private_files.h"

namespace {

int Mails() {
    const char* n = std::getenv("OMBREL_BENCH_MAILS");
    return n != nullptr && std::atoi(n) > 0 ? std::atoi(n) : 10000;
}

void Touch(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, "x", 1) != 1) std::abort();
    ::close(fd);
}

class Tree {
public:
    static Tree& Get() {
        static Tree tree;
        return tree;
    }
    const std::string& Env() const { return env_; }
    long Entries() const { return entries_; }
    // Every entry readable by others again, as an earlier version left it.
    void Widen() const {
        ::chmod(env_.c_str(), 0755);
        for (const auto& e : std::filesystem::recursive_directory_iterator(env_))
            ::chmod(e.path().c_str(), e.is_directory() ? 0755 : 0644);
    }
    ~Tree() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    Tree() {
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/quendrel-private-bench-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        root_ = tmpl;
        env_ = root_ + "/Env";
        for (const char* folder : {"", "/DB", "/MAIL", "/EXTRACT"}) {
            if (!platform::MakePrivateFolder(env_ + folder)) std::abort();
            ++entries_;
        }
        for (const char* file : {"/systemoption.dat", "/QuendrelT.ini", "/DB/database.dat", "/DB/database.001",
                                 "/DB/dbseq.dat", "/MAIL/maillist.dat", "/MAIL/mailseq.dat"}) {
            Touch(env_ + file);
            ++entries_;
        }
        for (int id = 1; id <= Mails(); ++id) {
            const std::string n = std::to_string(id);
            const std::string mail = env_ + "/MAIL/" + n;
            if (!platform::MakePrivateFolders(mail + "/ATTACH/pc")) std::abort();
            entries_ += 3;
            for (const char* kind : {"mail", "merd", "meli", "hist", "attc"}) Touch(mail + "/" + kind + n + ".dat");
            Touch(mail + "/ATTACH/pc/file.pdf.base64");
            entries_ += 6;
        }
    }

    std::string root_, env_;
    long entries_ = 0;
};

void BM_WalkPrivateEnvironment(benchmark::State& state) {
    Tree& tree = Tree::Get();
    platform::NarrowTreeToOwner(tree.Env());
    for (auto _ : state) {
        if (platform::NarrowTreeToOwner(tree.Env()) != 0) state.SkipWithError("entries were wide");
    }
    state.counters["entries"] = static_cast<double>(tree.Entries());
}
BENCHMARK(BM_WalkPrivateEnvironment)->Unit(benchmark::kMillisecond);

void BM_NarrowPrivateEnvironment(benchmark::State& state) {
    Tree& tree = Tree::Get();
    platform::NarrowTreeToOwner(tree.Env());
    for (auto _ : state) {
        if (platform::NarrowWideTreeToOwner(tree.Env()) != 0) state.SkipWithError("entries were wide");
    }
    state.counters["entries"] = static_cast<double>(tree.Entries());
}
BENCHMARK(BM_NarrowPrivateEnvironment)->Unit(benchmark::kMicrosecond);

void BM_NarrowWideEnvironment(benchmark::State& state) {
    Tree& tree = Tree::Get();
    for (auto _ : state) {
        state.PauseTiming();
        tree.Widen();
        state.ResumeTiming();
        if (platform::NarrowWideTreeToOwner(tree.Env()) != tree.Entries()) {
            state.SkipWithError("not every entry narrowed");
            break;
        }
    }
    state.counters["entries"] = static_cast<double>(tree.Entries());
}
BENCHMARK(BM_NarrowWideEnvironment)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
