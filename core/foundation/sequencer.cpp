#include "core/foundation/sequencer.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <string_view>

#include "core/foundation/env_layout.h"
#include "core/foundation/env_manager.h"
#include "core/foundation/ids_in_use.h"
#include "platform/named_mutex.h"
#include "platform/notifier.h"
#include "platform/path.h"
#include "platform/safe_write.h"

namespace {

// Upper limits by type: the stored value never goes beyond them.
constexpr int kLimits[] = {9999999, 10000, 10000};

// One lock per sequence file for the whole process: draws from any number of Sequencer
// objects on any threads are serialised.
platform::NamedMutex LockOf(const std::string& path) { return platform::NamedMutex("Sequencer:" + path); }

// The first line of the file read as a decimal number, as the C library's atoi reads it
// (leading blanks, an optional sign, digits; anything after them ignored). False when
// there is no number at all or it does not fit an int.
bool ParseStored(std::string_view text, long long& value) {
    const std::size_t lf = text.find('\n');
    if (lf != std::string_view::npos) text = text.substr(0, lf);
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > INT_MAX) return false;
    }
    value = negative ? -v : v;
    return true;
}

}  // namespace

Sequencer::Sequencer(EnvManager* env, int type) {
    if (SetEnvManager(env) == 0) {
        platform::Notify("Invalid EnvManager Pointer.");
        throw platform::UserException("Invalid EnvManager Pointer.");
    }
    if (SetSeqType(type) == 0) {
        platform::Notify("Invalid Sequence Type.");
        throw platform::UserException("Invalid Sequence Type.");
    }
}

int Sequencer::SetEnvManager(EnvManager* env) {
    if (env == nullptr || env_ != nullptr) return 0;
    env_ = env;
    return 1;
}

int Sequencer::SetSeqType(int type) {
    if (env_ == nullptr || type < 0 || type > 2) return 0;
    type_ = type;
    path_ = type == SEQ_ID_CUSTOMER ? env_layout::CustomerSeqFile(*env_)
            : type == SEQ_ID_MAIL   ? env_layout::MailSeqFile(*env_)
                                    : env_layout::ExtractSeqFile(*env_);
    limit_ = kLimits[type];
    initial_ = 0;
    step_ = 1;
    return 1;
}

int Sequencer::ReadStored(int& value) const {
    if (!platform::PathExists(path_)) return 0;
    std::string text;
    if (!platform::ReadWholeFile(path_, text)) return -1;
    long long v = 0;
    if (!ParseStored(text, v) || v < 0) return 0;
    value = static_cast<int>(v);
    return 1;
}

bool Sequencer::ResumeValue(int& value) const {
    int largest = -1;
    if (LargestIdInUse(*env_, type_, largest) != 0) return false;
    value = largest < 0 ? initial_ : largest + step_;
    return true;
}

int Sequencer::ValueNow(int& value) const {
    const int r = ReadStored(value);
    if (r != 0) return r;
    return ResumeValue(value) ? 0 : -1;
}

bool Sequencer::Store(int value) const {
    return platform::WriteFileAtomically(path_, std::to_string(value), /*sync=*/true);
}

int Sequencer::CurrentValue(int& out) {
    if (type_ < 0) return 0;
    platform::NamedMutex lock = LockOf(path_);
    std::lock_guard<platform::NamedMutex> guard(lock);
    int value = 0;
    const int r = ValueNow(value);
    if (r < 0 || (r == 0 && !Store(value))) return 0;
    out = value;
    return 1;
}

int Sequencer::NextValue(int& out) {
    if (type_ < 0) return 0;
    platform::NamedMutex lock = LockOf(path_);
    std::lock_guard<platform::NamedMutex> guard(lock);
    int value = 0;
    if (ValueNow(value) < 0) return 0;
    out = value;
    if (value >= limit_) return 0;
    return Store(value + step_) ? 1 : 0;
}

int Sequencer::ReserveValues(int count, int& first, int& reserved) {
    if (type_ < 0 || count < 1) return 0;
    platform::NamedMutex lock = LockOf(path_);
    std::lock_guard<platform::NamedMutex> guard(lock);
    int value = 0;
    if (ValueNow(value) < 0) return 0;
    if (value >= limit_) return 0;
    // The step is 1 for every kind, so a block is the run first .. first + reserved - 1.
    const int n = std::min(count, limit_ - value);
    if (!Store(value + n)) return 0;
    first = value;
    reserved = n;
    return 1;
}

int Sequencer::SetValue(int value) {
    if (type_ < 0 || value < 0) return 0;
    platform::NamedMutex lock = LockOf(path_);
    std::lock_guard<platform::NamedMutex> guard(lock);
    return Store(value) ? 1 : 0;
}
