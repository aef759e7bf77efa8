#pragma once
// ImportIdSource: new customer IDs for one import run. Drawing every ID through the
// sequence file would rewrite (and flush) "DB/dbseq.dat" once per record, so the run
// moves the stored sequence past the largest ID of the book once, hands out IDs from a
// counter in memory, and stores the counter when the run ends. The book is not saved
// before the run ends (imports change memory only), so the file never lags behind a
// saved record.

class EnvManager;

class ImportIdSource {
public:
    // Reads the customer sequence and, when its value is not above maxId, stores maxId + 1.
    // 0, or -1 when the sequence cannot be read or stored.
    int Begin(EnvManager* env, int maxId);
    // The next ID, or -1 when the sequence's upper limit is reached.
    int Next();
    // Stores the counter when IDs were handed out. 0, or -1 when the store fails.
    int Finish();

private:
    EnvManager* env_ = nullptr;
    int next_ = 0;
    int stored_ = 0;
    int limit_ = 0;
    bool begun_ = false;
};
