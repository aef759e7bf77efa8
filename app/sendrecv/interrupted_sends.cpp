#include "app/sendrecv/interrupted_sends.h"

#include <vector>

#include "app/sendrecv/mail_record_helpers.h"
#include "core/mailstore/history_list_viewer.h"
#include "core/mailstore/mail_list_viewer.h"

int RecoverInterruptedSends(CMailListViewer& mails) {
    std::vector<int> ids;
    if (mails.CountMailByMailStatus(kMailStatusSending, &ids) <= 0) return 0;
    int recovered = 0;
    for (int id : ids) {
        COneMailData mail;
        if (mails.GetMailData(id, mail) != 0) continue;
        SetMailStatusByCode(mail, kMailStatusInterrupted);
        int attempts = 0, failed = 0, opened = 0;
        if (HistoryListViewer::CountsOnDisk(mails.GetEnvManager(), &mails, id, attempts, failed, opened) == 0) {
            mail.SetSentNumber(attempts);
            mail.SetErrorNumber(failed);
        }
        if (mails.SetMailData(mail) == 0) ++recovered;
    }
    if (recovered > 0 && mails.WriteMailList(0) != 0) return -1;
    return recovered;
}
