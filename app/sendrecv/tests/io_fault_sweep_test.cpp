// Every durable operation under failing system calls, in the manner of SQLite's I/O-error
// tests: for each operation of the table, each kind of call (open, write, flush to the
// disk, cut, rename, removal) and N = 1, 2, ... up to the calls of that kind the operation
// makes, call N on the environment's files fails - once (then the disk is well again),
// from then on until the step returns (a disk gone away), or once with the process killed
// at the next call. After each, a fresh set of stores opens a copy of the environment, as
// a new start would, and must find every change that was reported saved exactly once and
// nothing reported failed or cut off by the kill half there: the disk holds the result of
// some of the operation's steps, every acknowledged one among them. Then the next
// operation (in the same stores, or after the kill in fresh ones) must succeed and last.
//
// The table is the place to add a durable operation: its setup, its steps with what each
// step leaves on the disk once it counts, the next operation, and what the fresh stores
// read of it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/sendrecv/message_headers.h"
#include "app/sendrecv/pop_receive_session.h"
#include "app/sendrecv/receive_ledger.h"
#include "app/sendrecv/receive_stores.h"
#include "app/sendrecv/tests/send_env_fixture.h"
#include "core/addressbook/address_import.h"
#include "core/addressbook/backup_restore.h"
#include "core/foundation/record_table.h"
#include "platform/safe_write.h"
#include "core/mailstore/history_list_viewer.h"
#include "platform/tests/io_faults.h"
#include "platform/tests/io_faults_interpose.h"

namespace {

namespace fs = std::filesystem;
using io_faults::Call;
using io_faults::Then;

// What a fresh start reads, by key (see World::Read), and what a step leaves.
using Facts = std::map<std::string, std::string>;

// The stores of one environment folder as the program holds them.
struct World {
    // Opens the environment as the program's start does (`start`: with what it finishes
    // of an interrupted receive run).
    World(const std::string& folder, bool start, bool readBook = true) : folder(folder) {
        env.InitEnvFileInfo(folder + "env.env", shell::kDescriptorKey, 0);
        options = std::make_unique<SystemOption>(&env);
        options->GetSODataFromFileToMemory();
        book = std::make_unique<CDatabaseEdit>(&env, options.get());
        if (readBook) bookRead = book->ReadCustomerList();
        mails = std::make_unique<CMailListViewer>(&env);
        if (start) recovered = RecoverInterruptedReceive(Send());
    }
    // Reads the book as the open does (a step of its own where the open is the operation).
    bool OpenBook() {
        book = std::make_unique<CDatabaseEdit>(&env, options.get());
        bookRead = book->ReadCustomerList();
        return bookRead >= 0;
    }
    SendEnvironment Send() { return {&env, options.get(), book.get(), mails.get()}; }
    HistoryListViewer& History(int mail) {
        if (!history) {
            history = std::make_unique<HistoryListViewer>(&env, options.get(), book.get(), mails.get());
            historyRead = history->SetMailID(mail, 1) == 0 ? history->GetHDataFromFileToMemory() : -1;
        }
        return *history;
    }
    CPopReceiveSession& Session() {
        if (!session) session = std::make_unique<CPopReceiveSession>(Send());
        return *session;
    }

    // What the stores hold of `key`: "name:<id>" the family name of a record, "rows:<id>"
    // the rows of that ID, "email:<address>" the rows with that address, "state:<mail>:<id>"
    // and "sending:<mail>:<id>" a recipient's history state and sends in flight,
    // "errors:<mail>" the mail's error count, "applied:<uid>" whether the receive ledger
    // holds the message, "refused:<address>" its rows in the refusal list.
    std::string Read(const std::string& key) {
        const std::size_t colon = key.find(':');
        const std::string kind = key.substr(0, colon), rest = key.substr(colon + 1);
        if (kind == "name" || kind == "rows") {
            if (bookRead < 0)
                return "book unreadable " + std::to_string(bookRead) + " " + std::to_string(book->GetErrMsg().GetLastCode());
            const int id = std::stoi(rest);
            if (kind == "name") return book->GetCustomerDataPinPoint(id, kElemKanjiSei);
            std::vector<int> all;
            book->GetDBIDALL(all);
            return std::to_string(std::count(all.begin(), all.end(), id));
        }
        if (kind == "email") {
            if (bookRead < 0) return "book unreadable " + std::to_string(bookRead);
            std::vector<int> all;
            book->GetDBIDALL(all);
            int n = 0;
            for (int id : all) n += book->GetCustomerDataPinPoint(id, kElemEmail) == rest ? 1 : 0;
            return std::to_string(n);
        }
        if (kind == "state" || kind == "sending") {
            const int mail = std::stoi(rest), id = std::stoi(rest.substr(rest.find(':') + 1));
            HistoryListViewer& h = History(mail);
            if (historyRead < 0 && historyRead != -21 && historyRead != -22)
                return "history unreadable " + std::to_string(historyRead);
            if (kind == "sending") return std::to_string(h.GetSendPending(id));
            return h.GetElementFromMemoryPinPoint(id, HistoryListViewer::kState);
        }
        if (kind == "errors") {
            COneMailData m;
            if (mails->GetMailData(std::stoi(rest), m) != 0) return "mail unreadable";
            return std::to_string(m.GetErrorNumber());
        }
        if (kind == "applied") {
            ReceiveLedger ledger(env_layout::EnvFolder(env));
            if (ledger.Recover() != 0) return "ledger unreadable";
            return ledger.IsApplied(rest) ? "1" : "0";
        }
        if (kind == "refused") {
            BaseRecordStructer list;
            if (receive_stores::LoadList(&env, receive_stores::kRefusals, list) != receive_stores::kLoaded)
                return "refusals unreadable";
            int n = 0;
            for (int r = 0; r < list.GetRecordNumber(); ++r) n += list.GetStringElement(0, r) == rest ? 1 : 0;
            return std::to_string(n);
        }
        return "unknown key " + key;
    }

    std::string folder;
    EnvManager env;
    std::unique_ptr<SystemOption> options;
    std::unique_ptr<CDatabaseEdit> book;
    int bookRead = 0;
    std::unique_ptr<CMailListViewer> mails;
    std::unique_ptr<HistoryListViewer> history;
    int historyRead = 0;
    std::unique_ptr<CPopReceiveSession> session;
    int recovered = 0;
};

// One step of an operation: true when it reports its changes saved.
struct Step {
    std::string name;
    std::function<bool(World&)> run;
    Facts leaves;  // what the disk holds once the step counts
    // A step reported failed has left nothing, now or later (without it, what failed may
    // still be saved by a later step, as the book keeps an edit it could not write).
    bool strict = false;
};

struct Operation {
    std::string name;
    // Puts the environment folder in the state the operation starts from (before the
    // stores open; no fault yet).
    std::function<void(const std::string& folder)> prepare;
    bool readBook = true;     // the stores open the book before the steps
    std::vector<Step> steps;  // under the fault
    std::vector<Step> next;   // after it: each must succeed
    // Further keys to read at every fresh start, and what must hold among them (counts
    // that agree): a text when it does not.
    std::vector<std::string> watch;
    std::function<std::string(const Facts&)> agree;
};

// The outcome of a step: acknowledged, reported failed, or cut off by the kill (or never
// reached).
enum class Outcome { kSaved, kFailed, kUnknown };

class IoFaultSweep : public sendtest::SendEnvTest {
protected:
    void SetUp() override {
        SendEnvTest::SetUp();
        SetOption(54, "Y");  // resends allowed
        SetOption(65, "3");
        ASSERT_EQ(options_->WriteSODataFromMemoryToFile(), 0);
        for (int i = 0; i < 5; ++i) people_.push_back(AddPerson("p" + std::to_string(i) + "@example.jp", "old"));
        ASSERT_EQ(book_->WriteFromMemoryToFile(), 0);
        // A sent mail to three of them, with its history.
        mail_ = AddMail("C");
        ASSERT_EQ(mails_->WriteMailList(1), 0);
        ASSERT_EQ(MakeDirectoryCompel(env_layout::OneMailFolder(*env_, mail_)), 0);
        WriteRecipients(mail_, {});
        HistoryListViewer h(env_.get(), options_.get(), book_.get(), mails_.get());
        ASSERT_EQ(h.SetMailID(mail_, 1), 0);
        for (int i = 0; i < 3; ++i) {
            const std::string local = MakeMessageIDLocalPart("info@example.jp", mail_);
            HistorySet row;
            row.customerID = people_[static_cast<std::size_t>(i)];
            row.state = "C";
            row.retryNum = 0;
            row.openFlag = "N";
            row.messageID = "<" + local + ">";
            row.lastSendDate = sendtest::At(2024, 1, 16, 9, 0, 0);
            ASSERT_EQ(h.SetHDataFromStructToMemory(row), 0);
            sent_.push_back(local);
        }
        ASSERT_EQ(h.WriteHDataFromMemoryToFileCompel(), 0);
        mails_.reset();
        book_.reset();
        options_.reset();
        env_.reset();
        // Canonical paths: the faults are chosen by the paths the calls name.
        template_ = fs::canonical(base_).string() + "/";
        work_ = template_.substr(0, template_.size() - 1) + "-case/";
        snapshot_ = template_.substr(0, template_.size() - 1) + "-snap/";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(work_, ec);
        fs::remove_all(snapshot_, ec);
        SendEnvTest::TearDown();
    }

    int Person(int i) const { return people_[static_cast<std::size_t>(i)]; }
    std::string Key(const char* kind, int i) const { return std::string(kind) + ":" + std::to_string(Person(i)); }
    std::string HistKey(const char* kind, int i) const {
        return std::string(kind) + ":" + std::to_string(mail_) + ":" + std::to_string(Person(i));
    }

    // The working folder as the operation starts from it.
    void Start(const Operation& op) {
        CopyFolder(template_, work_);
        if (op.prepare) op.prepare(work_);
    }
    // A copy as a new start finds the files, modification times included: the receive
    // ledger tells a stale staged copy by them.
    static void CopyFolder(const std::string& from, const std::string& to) {
        std::error_code ec;
        fs::remove_all(to, ec);
        fs::copy(from, to, fs::copy_options::recursive, ec);
        ASSERT_FALSE(ec) << ec.message();
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(from)) {
            if (!e.is_regular_file()) continue;
            fs::last_write_time(fs::path(to) / fs::relative(e.path(), from), e.last_write_time(), ec);
            ASSERT_FALSE(ec) << ec.message();
        }
    }

    // Reads `keys` as a new start on a copy of the working folder would.
    Facts ReadFresh(const std::vector<std::string>& keys) {
        CopyFolder(work_, snapshot_);
        Facts out;
        World fresh(snapshot_, true);
        for (const std::string& k : keys) out[k] = fresh.Read(k);
        if (fresh.recovered != 0) out["recover"] = std::to_string(fresh.recovered);
        return out;
    }

    // Whether `facts` is the result of some of `steps` over `before` (every saved one
    // among them; a strict step that failed only as `strictApplied` says, when given) with
    // `after` on top: the reason when not. Only what the steps leave is compared; *subset
    // gets the steps found applied.
    static std::string Explain(const Facts& facts, const Facts& before, const std::vector<Step>& steps,
                               const std::vector<Outcome>& outcomes, const Facts& after, unsigned* subsetFound,
                               const unsigned* strictApplied) {
        const std::size_t n = steps.size();
        Facts compared;
        for (const Step& s : steps)
            for (const auto& [k, v] : s.leaves) compared[k] = before.at(k);
        for (const auto& [k, v] : after) compared[k] = v;
        for (unsigned subset = 0; subset < (1u << n); ++subset) {
            bool possible = true;
            Facts expected = compared;
            for (std::size_t i = 0; i < n && possible; ++i) {
                const bool applied = (subset >> i & 1u) != 0;
                if (!applied && outcomes[i] == Outcome::kSaved) possible = false;
                // A strict step that failed and was not on the disk never comes later; one whose
                // bytes stayed beyond a failed cut may still go with that cut.
                if (outcomes[i] == Outcome::kFailed && steps[i].strict && strictApplied != nullptr && applied &&
                    (*strictApplied >> i & 1u) == 0)
                    possible = false;
                if (applied)
                    for (const auto& [k, v] : steps[i].leaves) expected[k] = v;
            }
            for (const auto& [k, v] : after) expected[k] = v;
            if (!possible) continue;
            bool same = true;
            for (const auto& [k, v] : expected) same = same && facts.count(k) != 0 && facts.at(k) == v;
            if (same && facts.count("recover") == 0) {
                if (subsetFound != nullptr) *subsetFound = subset;
                return "";
            }
        }
        std::string text = "the disk holds no outcome of the steps (";
        for (std::size_t i = 0; i < n; ++i)
            text += steps[i].name + (outcomes[i] == Outcome::kSaved    ? " saved"
                                     : outcomes[i] == Outcome::kFailed ? " failed"
                                                                       : " cut off") +
                    (i + 1 < n ? ", " : "");
        text += "):";
        for (const auto& [k, v] : facts) text += " " + k + "=" + v;
        return text;
    }

    struct Census {
        int calls[static_cast<int>(Call::kCount)] = {};
    };

    // The operation once without a fault: the calls it makes of each kind.
    Census Count(const Operation& op) {
        Start(op);
        Census census;
        World world(work_, false, op.readBook);
        io_faults::Plan plan;
        plan.under = work_;
        plan.nth = 1 << 30;
        io_faults::Scope scope(plan);
        for (const Step& s : op.steps) EXPECT_TRUE(s.run(world)) << op.name << ": " << s.name << " without a fault";
        for (int c = 0; c < static_cast<int>(Call::kCount); ++c) census.calls[c] = io_faults::Seen(static_cast<Call>(c));
        return census;
    }

    // One case: call `nth` of `call` fails, then `then`. False once the fault was not met.
    bool RunCase(const Operation& op, Call call, int nth, Then then, const Facts& before, std::string& failure) {
        Start(op);
        io_faults::Plan plan;
        plan.under = work_;
        plan.call = call;
        plan.nth = nth;
        plan.error = call == Call::kWrite || call == Call::kOpen ? ENOSPC : EIO;
        plan.then = then;
        std::vector<Outcome> outcomes(op.steps.size(), Outcome::kUnknown);
        bool fired = false;
        auto world = std::make_unique<World>(work_, false, op.readBook);
        if (then == Then::kKill) {
            int pipeFds[2];
            if (::pipe(pipeFds) != 0) {
                failure = "no pipe";
                return false;
            }
            std::fflush(nullptr);
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(pipeFds[0]);
                io_faults::Arm(plan);
                for (const Step& s : op.steps) {
                    const char saved = s.run(*world) ? 'S' : 'F';
                    if (::write(pipeFds[1], &saved, 1) != 1) ::_exit(3);
                }
                const char end = io_faults::Fired() ? 'x' : 'n';
                if (::write(pipeFds[1], &end, 1) != 1) ::_exit(3);
                ::_exit(0);
            }
            ::close(pipeFds[1]);
            std::string said;
            char c = 0;
            while (::read(pipeFds[0], &c, 1) == 1) said += c;
            ::close(pipeFds[0]);
            int status = 0;
            ::waitpid(child, &status, 0);
            const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
            if (!killed && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
                failure = "the child ended with status " + std::to_string(status);
                return false;
            }
            for (std::size_t i = 0; i < said.size() && i < outcomes.size(); ++i)
                outcomes[i] = said[i] == 'S' ? Outcome::kSaved : Outcome::kFailed;
            fired = killed || (!said.empty() && said.back() == 'x');
            // The program starts again over what the killed one left.
            world.reset();
            world = std::make_unique<World>(work_, true);
        } else {
            io_faults::Scope scope(plan);
            for (std::size_t i = 0; i < op.steps.size(); ++i) {
                outcomes[i] = op.steps[i].run(*world) ? Outcome::kSaved : Outcome::kFailed;
                // A disk gone away comes back after the step that met it.
                if (io_faults::Fired()) io_faults::Disarm();
            }
            fired = io_faults::Fired();
        }
        if (!fired) return false;

        std::vector<std::string> keys;
        for (const auto& [k, v] : before) keys.push_back(k);
        const Facts first = ReadFresh(keys);
        // A strict step that failed and is not on the disk now never comes later (one that
        // is there whole, its bytes beyond a failed cut, may stay).
        unsigned firstSubset = 0;
        std::string why = Explain(first, before, op.steps, outcomes, {}, &firstSubset, nullptr);
        if (why.empty() && op.agree) why = op.agree(first);
        if (!why.empty()) {
            failure = "after the fault: " + why;
            return true;
        }
        // The next operation succeeds and lasts.
        Facts after;
        for (const Step& s : op.next) {
            if (!s.run(*world)) {
                failure = "the next operation failed: " + s.name + " (book read " + std::to_string(world->bookRead) +
                          ", last error " + std::to_string(world->book->GetErrMsg().GetLastCode()) + ")";
                return true;
            }
            for (const auto& [k, v] : s.leaves) after[k] = v;
        }
        world.reset();
        const Facts second = ReadFresh(keys);
        why = Explain(second, before, op.steps, outcomes, after, nullptr, &firstSubset);
        if (why.empty() && op.agree) why = op.agree(second);
        if (!why.empty()) failure = "after the next operation: " + why;
        return true;
    }

    // The whole sweep of one operation; prints its size.
    void Sweep(const Operation& op) {
        const auto start = std::chrono::steady_clock::now();
        // What the disk holds before: every key any step or the next operation names.
        Facts before;
        {
            std::vector<std::string> keys = op.watch;
            for (const auto* list : {&op.steps, &op.next})
                for (const Step& s : *list)
                    for (const auto& [k, v] : s.leaves) keys.push_back(k);
            Start(op);
            before = ReadFresh(keys);
            ASSERT_EQ(before.count("recover"), 0u);
        }
        const Census census = Count(op);
        int cases = 0, failures = 0;
        std::string line = op.name + ":";
        for (int c = 0; c < static_cast<int>(Call::kCount); ++c) {
            const Call call = static_cast<Call>(c);
            line += std::string(" ") + io_faults::Name(call) + " " + std::to_string(census.calls[c]);
            for (const Then then : {Then::kRecover, Then::kPersist, Then::kKill}) {
                for (int nth = 1; nth <= census.calls[c]; ++nth) {
                    std::string failure;
                    if (!RunCase(op, call, nth, then, before, failure)) {
                        if (!failure.empty()) ADD_FAILURE() << failure;
                        break;
                    }
                    ++cases;
                    if (!failure.empty() && ++failures <= 20)
                        ADD_FAILURE() << op.name << ", " << io_faults::Name(call) << " call " << nth << " fails"
                                      << (then == Then::kRecover   ? " once"
                                          : then == Then::kPersist ? " and every call after it in the step"
                                                                   : ", killed at the next call")
                                      << ": " << failure;
                }
            }
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s; %d cases, %d failed, %.1f s\n", line.c_str(), cases, failures, seconds);
    }

    // The operations.
    Operation BookEdits() {
        Operation op;
        op.name = "book edit and change group";
        op.steps.push_back({"an edit",
                            [this](World& w) {
                                OneCustomer c;
                                if (w.book->GetOneCustomerForEdit(c, Person(0)) != 0) return false;
                                c.KanjiSei = "edited";
                                return w.book->SetOneCustomerInfo(c, 0) == 0;
                            },
                            {{Key("name", 0), "edited"}}});
        op.steps.push_back({"a change group",
                            [this](World& w) {
                                CDatabaseEdit::ChangeGroup group(*w.book);
                                bool stored = true;
                                for (int i : {1, 2, 4}) {
                                    OneCustomer c;
                                    stored = stored && w.book->GetOneCustomerForEdit(c, Person(i)) == 0;
                                    c.KanjiSei = "grouped";
                                    stored = stored && w.book->SetOneCustomerInfo(c, 0) == 0;
                                }
                                return group.Commit() == 0 && stored;
                            },
                            {{Key("name", 1), "grouped"}, {Key("name", 2), "grouped"}, {Key("name", 4), "grouped"}}});
        // A new record draws its ID from the sequence file first.
        op.steps.push_back({"a new record",
                            [](World& w) {
                                OneCustomer c = abtestPerson("new@example.jp");
                                return w.book->SetOneCustomerInfo(c, 0) == 0;
                            },
                            {{"email:new@example.jp", "1"}}});
        op.next.push_back({"the next edit", [this](World& w) { return Rename(w, 3, "next"); }, {{Key("name", 3), "next"}}});
        op.agree = [this](const Facts& f) {
            for (int i = 0; i < 5; ++i)
                if (f.count(Key("rows", i)) != 0 && f.at(Key("rows", i)) != "1") return Key("rows", i) + " is not 1";
            return std::string();
        };
        for (int i = 0; i < 5; ++i) op.watch.push_back(Key("rows", i));
        return op;
    }

    Operation BookWholeSave() {
        Operation op;
        op.name = "book whole save";
        op.steps.push_back({"an edit", [this](World& w) { return Rename(w, 0, "before save"); },
                            {{Key("name", 0), "before save"}}});
        op.steps.push_back({"a whole save", [](World& w) { return w.book->WriteFromMemoryToFile() == 0; }, {}});
        op.steps.push_back({"an edit after it", [this](World& w) { return Rename(w, 1, "after save"); },
                            {{Key("name", 1), "after save"}}});
        op.steps.push_back({"a second whole save", [](World& w) { return w.book->WriteFromMemoryToFile() == 0; }, {}});
        op.next.push_back({"the next edit", [this](World& w) { return Rename(w, 2, "next"); }, {{Key("name", 2), "next"}}});
        return op;
    }

    Operation HistoryProgress() {
        Operation op;
        op.name = "send history";
        const std::string m0 = "<mark0." + std::to_string(mail_) + "@example.jp>";
        op.steps.push_back({"an in-flight mark",
                            [this, m0](World& w) { return w.History(mail_).MarkSendPending(Person(0), m0) == 0; },
                            {{HistKey("sending", 0), "1"}}});
        op.steps.push_back({"a row",
                            [this, m0](World& w) {
                                HistoryListViewer& h = w.History(mail_);
                                std::string state = "E";
                                std::string id = m0;
                                return h.TransferState(Person(0), state, 1) == 0 &&
                                       h.TransferMessageID(Person(0), id, 1) == 0 && h.RecordProgress() == 0;
                            },
                            {{HistKey("sending", 0), "0"}, {HistKey("state", 0), "E"}}});
        op.steps.push_back({"a second mark",
                            [this](World& w) {
                                return w.History(mail_).MarkSendPending(Person(1), "<mark1@example.jp>") == 0;
                            },
                            {{HistKey("sending", 1), "1"}}});
        op.steps.push_back({"a whole save",
                            [this](World& w) { return w.History(mail_).WriteHDataFromMemoryToFileCompel() == 0; }, {}});
        op.steps.push_back({"a mark after the save",
                            [this](World& w) {
                                return w.History(mail_).MarkSendPending(Person(2), "<mark2@example.jp>") == 0;
                            },
                            {{HistKey("sending", 2), "1"}}});
        op.next.push_back({"the next row",
                           [this](World& w) {
                               // A history that could not be read is read again by the next run.
                               if (w.history && w.historyRead < 0 && w.historyRead != -21 && w.historyRead != -22)
                                   w.history.reset();
                               HistoryListViewer& h = w.History(mail_);
                               std::string state = "E";
                               return h.TransferState(Person(1), state, 1) == 0 && h.RecordProgress() == 0;
                           },
                           {{HistKey("state", 1), "E"}}});
        op.next.back().leaves[HistKey("sending", 1)] = "0";
        return op;
    }

    // A bounce of person `i`'s copy, and a refusal from that person, applied by `session`.
    bool Bounce(CPopReceiveSession& session, int i) {
        const int r = session.ProcessBounceOrReceipt(mail_, sent_[static_cast<std::size_t>(i)], 1);
        if (r != CPopReceiveSession::kReplyProcessed) return false;
        if (session.UpdateMailAfterReply(mail_, 1) != 0) return false;
        session.AddRefusalRecord("p" + std::to_string(i) + "@example.jp");
        return true;
    }
    // What a receive run saves of the messages "uid-<i>" of `people` that the ledger does
    // not hold yet (as a run skips what is applied): true when saved. `sameRun`: a later
    // batch of the run the session is in, which neither recovers the ledger nor asks it
    // again (the run fetched its messages before).
    bool Receive(World& w, const std::vector<int>& people, bool sameRun = false) {
        ReceiveLedger ledger(env_layout::EnvFolder(w.env));
        if (!sameRun && ledger.Recover() == -1) return false;
        CPopReceiveSession& session = w.Session();
        std::vector<std::string> uids;
        bool saved = true;
        for (int i : people) {
            const std::string uid = "uid-" + std::to_string(i);
            if (!sameRun && ledger.IsApplied(uid)) continue;
            saved = saved && Bounce(session, i);
            uids.push_back(uid);
        }
        // A batch that could not be saved ends the run; the next run is a new session.
        saved = saved && session.SaveChanges(uids) == 0;
        if (!saved) w.session.reset();
        return saved;
    }
    Facts Received(int i) const {
        const std::string n = std::to_string(i);
        return {{"applied:uid-" + n, "1"}, {HistKey("state", i), "W"}, {"refused:p" + n + "@example.jp", "1"}};
    }

    Operation ReceiveBatches() {
        Operation op;
        op.name = "receive batches";
        op.steps.push_back({"a batch", [this](World& w) { return Receive(w, {0}); }, Received(0), true});
        op.steps.push_back({"a second batch on the same history", [this](World& w) { return Receive(w, {1}); },
                            Received(1), true});
        // The run's next batch, whatever became of the one before: it never stages over the
        // copies of a batch that could not be installed.
        op.steps.push_back({"a later batch of the same run", [this](World& w) { return Receive(w, {2}, true); },
                            Received(2), true});
        op.next.push_back({"the next run",
                           [this](World& w) {
                               w.session.reset();
                               return Receive(w, {0, 1, 2});
                           },
                           {}});
        for (int i = 0; i < 3; ++i)
            for (const auto& [k, v] : Received(i)) op.next.back().leaves[k] = v;
        // Each bounce applied counts once in the mail's errors.
        const std::string errors = "errors:" + std::to_string(mail_);
        op.watch.push_back(errors);
        op.agree = [errors](const Facts& f) {
            int applied = 0;
            for (int i = 0; i < 3; ++i) applied += f.count("applied:uid-" + std::to_string(i)) && f.at("applied:uid-" + std::to_string(i)) == "1";
            if (f.at(errors) != std::to_string(applied))
                return "the mail counts " + f.at(errors) + " errors for " + std::to_string(applied) + " bounces applied";
            return std::string();
        };
        return op;
    }

    Operation Import() {
        Operation op;
        op.name = "import";
        const std::string csv = base_ + "../" + fs::path(base_).parent_path().filename().string() + "-import.csv";
        std::ofstream(csv, std::ios::binary) << "p0@example.jp,imported\r\nnew1@example.jp,new\r\nnew2@example.jp,new\r\n";
        op.steps.push_back({"a merging import",
                            [csv](World& w) {
                                CAddressImport importer(w.book.get(), &w.env, w.options.get());
                                std::vector<int> map(kCustomerElementCount, -1);
                                map[kElemEmail] = 0;
                                map[kElemKanjiSei] = 1;
                                ImportRejections rejected;
                                return importer.ImportDBfromFile(csv, ",", '"', map, 1, nullptr, rejected, "1") == 3;
                            },
                            {{Key("name", 0), "imported"}, {"email:new1@example.jp", "1"}, {"email:new2@example.jp", "1"}}});
        op.next.push_back({"the next edit", [this](World& w) { return Rename(w, 3, "next"); }, {{Key("name", 3), "next"}}});
        return op;
    }

    Operation Restore() {
        Operation op;
        op.name = "restore from a backup";
        op.prepare = [](const std::string& folder) {
            World w(folder, false);
            CDatabaseEdit other(&w.env);
            OneCustomer c = abtestPerson("restored@example.jp");
            c.CustomerID = 90001;
            other.SetOneCustomerInfoForRepair(c);
            CDBBackup backup;
            backup.SetDatabaseEditPtr(&other);
            backup.SetEnvManager(&w.env);
            backup.SetBackupPathName(folder + "backup.dat");
            ASSERT_EQ(backup.ActionBackup(), 0);
        };
        op.steps.push_back({"a restore",
                            [](World& w) {
                                CDBRestore restore;
                                restore.SetDatabaseEditPtr(w.book.get());
                                restore.SetEnvManager(&w.env);
                                restore.SetBackupPathName(w.folder + "backup.dat");
                                restore.SetRepairFileName("report.txt");
                                const int r = restore.ActionRestore();
                                return r == 1 || r == -3;
                            },
                            {{"email:restored@example.jp", "1"}, {"rows:90001", "1"}},
                            // A restore whose records cannot be written takes them back.
                            true});
        op.next.push_back({"the next edit", [this](World& w) { return Rename(w, 3, "next"); }, {{Key("name", 3), "next"}}});
        return op;
    }

    // The change made to a byte of the journal.
    static constexpr char kDamage = 0x21;
    // Damage the open meets in the book's journal: which byte is changed, and the edits
    // (of people 0-2, one batch each) it must not cost.
    struct JournalDamage {
        const char* name;
        // A whole save whose removal of the journal failed comes first, so that the journal
        // goes on with a second A (in the first of the three batches), where the byte is
        // changed.
        bool secondAnchor;
        // The bytes, from the journal's bytes and its size after that save (0 without it).
        std::function<std::vector<std::size_t>(const std::string& bytes, std::size_t again)> at;
        std::vector<int> kept;
    };
    // Where line `n` (0: the first) of `bytes` begins and where its line end is; both past
    // the end when there is none.
    static std::pair<std::size_t, std::size_t> Line(const std::string& bytes, int n) {
        std::size_t start = 0;
        for (int i = 0; i < n && start != std::string::npos; ++i) {
            start = bytes.find('\n', start);
            if (start != std::string::npos) ++start;
        }
        const std::size_t end = start == std::string::npos ? std::string::npos : bytes.find('\n', start);
        if (end == std::string::npos) return {bytes.size(), bytes.size()};
        return {start, end};
    }
    // The middle byte of line `n` of `bytes`; past the end when there is none.
    static std::size_t MiddleOfLine(const std::string& bytes, int n) {
        const auto [start, end] = Line(bytes, n);
        return start + (end - start) / 2;
    }
    static std::vector<JournalDamage> JournalDamages() {
        return {
            // The middle of the middle batch's row (the journal: tag; B A U E; B U E; B U E), not
            // half the file's size, which the rows' dates may move onto the batch's start.
            {"a byte in the middle batch", false,
             [](const std::string& b, std::size_t) { return std::vector<std::size_t>{MiddleOfLine(b, 6)}; }, {0, 2}},
            // The record before it reads whole up to its closing quote: the batch is there.
            {"the last line end", false,
             [](const std::string& b, std::size_t) { return std::vector<std::size_t>{b.size() - 1}; }, {0, 1, 2}},
            // Two bytes of the middle batch's B: what did not read may have been an A. The
            // open's own whole save then meets the fault.
            {"a batch's start", false,
             [](const std::string& b, std::size_t) {
                 const std::size_t start = b.rfind('\n', MiddleOfLine(b, 5)) + 1;
                 return std::vector<std::size_t>{start + 4, start + 7};
             },
             {0, 2}},
            // The middle of the A after the save's B: the open's own whole save then meets the
            // fault, and the journal it leaves must still say which book it extends.
            // A byte the change would turn into the coded quote (every record's first byte)
            // or a line end is passed over: that splits or joins the A's line and costs its
            // own batch, as the journal's tests expect, where here that batch must stay.
            {"the second A", true,
             [](const std::string& b, std::size_t again) {
                 const auto [start, end] = Line(b.substr(again), 1);
                 std::size_t at = again + start + (end - start) / 2;
                 const auto joinsOrSplits = [&](std::size_t i) {
                     const char changed = static_cast<char>(b[i] ^ kDamage);
                     return changed == b[again + start] || changed == b[again + end - 1] || changed == '\r' ||
                            changed == '\n';
                 };
                 while (at + 1 < again + end && joinsOrSplits(at)) ++at;
                 return std::vector<std::size_t>{at};
             },
             {0, 1, 2}},
        };
    }

    // A journal of three batches that a changed byte damaged, read by the open.
    Operation DamagedJournalOpen(const JournalDamage& damage) {
        Operation op;
        op.name = std::string("open over a damaged journal (") + damage.name + ")";
        op.readBook = false;
        op.prepare = [this, damage](const std::string& folder) {
            std::string journal;
            std::size_t again = 0;
            {
                World w(folder, false);
                journal = env_layout::DatabaseJournalFile(w.env);
                if (damage.secondAnchor) {
                    ASSERT_TRUE(Rename(w, 4, "before"));
                    io_faults::Plan plan;
                    plan.under = folder;
                    plan.call = Call::kUnlink;
                    plan.nth = 1;
                    plan.error = EIO;
                    plan.then = Then::kRecover;
                    {
                        io_faults::Scope scope(plan);
                        ASSERT_EQ(w.book->WriteFromMemoryToFile(), 0);
                        ASSERT_TRUE(io_faults::Fired());
                    }
                    ASSERT_TRUE(fs::exists(journal));
                    again = fs::file_size(journal);
                }
                for (int i = 0; i < 3; ++i) ASSERT_TRUE(Rename(w, i, "journaled"));
            }
            std::string bytes;
            ASSERT_TRUE(platform::ReadWholeFile(journal, bytes));
            for (const std::size_t at : damage.at(bytes, again)) {
                ASSERT_LT(at, bytes.size());
                bytes[at] = static_cast<char>(bytes[at] ^ kDamage);
            }
            ASSERT_TRUE(platform::WriteFileAtomically(journal, bytes));
        };
        op.steps.push_back({"the open", [](World& w) { return w.OpenBook(); }, {}});
        // An open that failed is tried again, as the user does.
        op.next.push_back({"the next edit", [this](World& w) { return (w.bookRead >= 0 || w.OpenBook()) && Rename(w, 3, "next"); },
                           {{Key("name", 3), "next"}}});
        for (int i = 0; i < 3; ++i) op.watch.push_back(Key("name", i));
        // The edits the damage must not cost are there at every start: the state the sweep
        // compares with is the open's without a fault, which would lose them alike.
        op.agree = [this, kept = damage.kept](const Facts& facts) {
            std::string lost;
            for (int i : kept)
                if (facts.at(Key("name", i)) != "journaled") lost += " " + Key("name", i) + "=" + facts.at(Key("name", i));
            return lost.empty() ? lost : "acknowledged edits the damage does not reach are lost:" + lost;
        };
        return op;
    }

    static OneCustomer abtestPerson(const std::string& mail) {
        OneCustomer c;
        InitOneCustomer(c);
        c.Email = mail;
        c.KanjiSei = "new";
        return c;
    }
    bool Rename(World& w, int i, const std::string& name) {
        OneCustomer c;
        if (w.book->GetOneCustomerForEdit(c, Person(i)) != 0) return false;
        c.KanjiSei = name;
        return w.book->SetOneCustomerInfo(c, 0) == 0;
    }

    std::string template_, work_, snapshot_;
    std::vector<int> people_;
    int mail_ = 0;
    std::vector<std::string> sent_;  // the Message-IDs of the history's rows (local parts)
};

TEST_F(IoFaultSweep, BookEditAndChangeGroup) { Sweep(BookEdits()); }
TEST_F(IoFaultSweep, BookWholeSave) { Sweep(BookWholeSave()); }
TEST_F(IoFaultSweep, SendHistory) { Sweep(HistoryProgress()); }
TEST_F(IoFaultSweep, ReceiveBatches) { Sweep(ReceiveBatches()); }
TEST_F(IoFaultSweep, Import) { Sweep(Import()); }
TEST_F(IoFaultSweep, RestoreFromABackup) { Sweep(Restore()); }
TEST_F(IoFaultSweep, OpenOverADamagedJournal) {
    for (const JournalDamage& damage : JournalDamages()) Sweep(DamagedJournalOpen(damage));
}

}  // namespace
