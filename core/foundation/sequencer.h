#pragma once
// Sequencer hands out the numeric IDs of an environment: customer IDs of the address book,
// mail IDs and extraction numbers. Each kind keeps its next free number as decimal text in
// a small file of the environment ("DB/dbseq.dat", "MAIL/mailseq.dat",
// "EXTRACT/extrseq.dat"), read and rewritten on every request so that IDs stay unique
// across runs and across Sequencer objects.
//
// Every draw holds a process-wide lock of its file, so concurrent draws never repeat a
// number, and every rewrite replaces the file safely (temporary file, fsync, rename).
// When the file is missing, empty or unreadable, the sequence does not restart at 0 (that
// would hand out the IDs of existing mails and overwrite their folders): it continues
// above the largest ID in use in the environment (the address book's customer IDs; the
// mail folders and the mail list; the extraction files and the saved-extraction list).

#include <string>

class EnvManager;

// The kinds of sequence.
enum SeqIDType {
    SEQ_ID_CUSTOMER = 0,
    SEQ_ID_MAIL = 1,
    SEQ_ID_EXTRACT = 2,
};

class Sequencer {
public:
    Sequencer() = default;
    // Binds env and sets the type. A null env or a bad type is shown to the user
    // ("Invalid EnvManager Pointer.", "Invalid Sequence Type.") and ends construction with
    // platform::UserException.
    Sequencer(EnvManager* env, int type);
    virtual ~Sequencer() = default;
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    // 1 when bound; 0 when env is null or one is bound already.
    int SetEnvManager(EnvManager* env);
    // 1 when set (path, limit, initial value 0, step 1); 0 without an environment or for a
    // type other than 0, 1 and 2.
    int SetSeqType(int type);

    // The three operations return nonzero on success and 0 on failure (also at once when
    // no type is set).
    // The value now stored; a missing or damaged file is first rebuilt (see above).
    int CurrentValue(int& out);
    // Hands out the stored value and stores the next one. At the upper limit (9999999 for
    // customers, 10000 for mails and extractions) it fails with out = the stored value and
    // the file unchanged, so the last IDs handed out are 9999998 and 9999.
    int NextValue(int& out);
    // Stores `value` (not below 0: IDs are never negative, and -1 means "no ID" to callers).
    int SetValue(int value);
    // Hands out a block of up to `count` values in one rewrite: `first` is the stored value,
    // `reserved` how many follow it (fewer near the upper limit), and the stored value moves
    // past the block. For callers that draw many IDs in a row, where one durable rewrite per
    // ID would dominate; values of a block that are never used are simply skipped, as IDs
    // are never reused anyway. 0 at the limit or on failure (file unchanged).
    int ReserveValues(int count, int& first, int& reserved);

    int GetSeqType() const { return type_; }
    const std::string& GetFilePath() const { return path_; }
    int GetUpperLimit() const { return limit_; }

private:
    // Reads the stored value. 1: `value` set; 0: no usable value (missing, empty, not a
    // number, negative or out of range); -1: the file exists but cannot be read.
    int ReadStored(int& value) const;
    // The value a rebuilt file starts at: one above the largest ID in use, 0 when none.
    // False when the IDs in use cannot be determined (a list file that does not read).
    bool ResumeValue(int& value) const;
    // The value the sequence stands at. 1: read from the file; 0: rebuilt by ResumeValue
    // and not yet stored; -1: neither could be had.
    int ValueNow(int& value) const;
    bool Store(int value) const;

    std::string path_;
    int type_ = -1;
    EnvManager* env_ = nullptr;
    int initial_ = 0;
    int limit_ = 0;
    int step_ = 1;
};
