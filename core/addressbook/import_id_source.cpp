#include "core/addressbook/import_id_source.h"

#include "core/foundation/sequencer.h"

int ImportIdSource::Begin(EnvManager* env, int maxId) {
    begun_ = false;
    Sequencer sequence;
    if (env == nullptr || sequence.SetEnvManager(env) != 1 || sequence.SetSeqType(SEQ_ID_CUSTOMER) != 1) return -1;
    int value = 0;
    if (!sequence.CurrentValue(value)) return -1;
    if (value <= maxId) {
        value = maxId + 1;
        if (!sequence.SetValue(value)) return -1;
    }
    env_ = env;
    next_ = stored_ = value;
    limit_ = sequence.GetUpperLimit();
    begun_ = true;
    return 0;
}

int ImportIdSource::Next() {
    // The sequence itself never hands out its limit value; neither does the counter.
    if (!begun_ || next_ >= limit_) return -1;
    return next_++;
}

int ImportIdSource::Finish() {
    if (!begun_ || next_ == stored_) return 0;
    Sequencer sequence;
    if (sequence.SetEnvManager(env_) != 1 || sequence.SetSeqType(SEQ_ID_CUSTOMER) != 1 || !sequence.SetValue(next_))
        return -1;
    stored_ = next_;
    return 0;
}
