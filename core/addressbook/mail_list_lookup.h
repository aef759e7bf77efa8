#pragma once
// What a mail's recipient list needs of the mail list: whether a mail ID is listed, and
// the environment handed on when the list is attached. The mail list of the mail store
// answers it; tests answer it with a small fake.

class EnvManager;

class MailListLookup {
public:
    virtual ~MailListLookup() = default;
    // 0 when the mail ID is listed, 1 when it is not (as the mail list's FindMailData).
    virtual int FindMailData(int mailId) = 0;
    // Attaches the environment when none is attached yet: 1, else 0.
    virtual int SetEnvManager(EnvManager* env) = 0;
};
