#pragma once
// What the test-send tests share (the test-mail sender's own tests and the composing
// dialog's): the test recipients written into the environment, a work file put where a
// page keeps its attachments, the progress window's cancel pressed once a server has been
// reached, and a delivered message read the way a mail reader reads it - by Python's
// `email` package (/usr/bin/python3), independently of the program's own MIME code.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/dialogs/test_mail_progress_dlg.h"
#include "app/ui/testing/dialog_driver.h"
#include "core/addressbook/test_mailing_info.h"
#include "core/foundation/cp932.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "platform/netssl/tests/test_process.h"

namespace tmtest {

// Stores test recipient `index` (0 PC, 1 mobile); names in UTF-8.
inline void SetTestRecipient(EnvManager* env, SystemOption* options, int index, const std::string& email,
                             const char* family = "", const char* given = "") {
    CTestMailingInfo info;
    info.SetSystemOption(options);
    ASSERT_EQ(info.SetEnvManager(env), 1);
    OneCustomer c;
    info.InitOneCustomer(c, index);
    c.Email = email;
    c.KanjiSei = Utf8ToSjis(family);
    c.KanjiMei = Utf8ToSjis(given);
    ASSERT_EQ(info.SetTestMailingInfo(c, index), 0);
    ASSERT_EQ(info.WriteFromMemoryToFile(), 0);
}

// Writes `bytes` as attachment `sjisName` of terminal type `termType`'s work folder.
inline void WriteWorkFile(EnvManager& env, int termType, const std::string& sjisName, const std::string& bytes) {
    const std::string folder = env_layout::AttachWorkFolder(env, termType);
    ASSERT_EQ(MakeDirectoryCompel(folder), 0);
    std::ofstream(folder + sjisName, std::ios::binary) << bytes;
}

// Once the progress window shows and `reached` says the server has a connection, presses
// its "中止".
inline void CancelWhen(std::function<bool()> reached) {
    ui::test::WhenDialogShows(QStringLiteral("dlg2006"), [reached](QDialog* dialog) {
        auto* poll = new QTimer(dialog);
        QObject::connect(poll, &QTimer::timeout, dialog, [=] {
            if (!reached()) return;
            poll->stop();
            ui::test::ClickControl(dialog, shell::CTestMailProgressDlg::kIdcCancel);
        });
        poll->start(10);
    });
}

// One delivered message as Python's email package reads it.
struct Delivered {
    bool ok = false;
    QString fromName, fromAddress, rawFrom, toName, toAddress, subject, text, html, messageId, xMailer,
        dispositionTo;
    QMap<QString, QByteArray> attachments;  // file name -> decoded bytes
    QMap<QString, QByteArray> inlineParts;  // Content-ID -> decoded bytes
    int defects = 0;
};

inline Delivered ReadDelivered(const std::filesystem::path& eml) {
    static const char* const kScript = R"PY(
import sys, json, email, email.policy, email.header, email.utils
data = open(sys.argv[1], 'rb').read()
msg = email.message_from_bytes(data, policy=email.policy.default)
classic = email.message_from_bytes(data)
def name_of(raw):
    # The classic decoder drops the folding blank between two encoded words, as RFC 2047 says.
    n, a = email.utils.parseaddr(raw or '')
    return str(email.header.make_header(email.header.decode_header(n))), a
out = {'defects': len(msg.defects), 'attachments': {}, 'inline': {}, 'text': None, 'html': None}
out['fromName'], out['fromAddress'] = name_of(classic['From'])
out['toName'], out['toAddress'] = name_of(classic['To'])
out['rawFrom'] = ' '.join((classic['From'] or '').split())
out['subject'] = str(msg['Subject']) if msg['Subject'] is not None else None
for key, header in (('messageId', 'Message-ID'), ('xMailer', 'X-Mailer'), ('dispositionTo', 'Disposition-Notification-To')):
    out[key] = str(msg[header] or '')
for part in msg.walk():
    out['defects'] += len(part.defects)
    if part.is_multipart():
        continue
    if part.get('Content-ID') and part.get_content_maintype() == 'image':
        out['inline'][part['Content-ID'].strip('<> ')] = part.get_payload(decode=True).hex()
    elif part.get_filename():
        out['attachments'][part.get_filename()] = part.get_payload(decode=True).hex()
    elif part.get_content_type() == 'text/plain' and out['text'] is None:
        out['text'] = part.get_content().replace('\r\n', '\n')
    elif part.get_content_type() == 'text/html' and out['html'] is None:
        out['html'] = part.get_content().replace('\r\n', '\n')
json.dump(out, open(sys.argv[2], 'w'))
)PY";
    Delivered d;
    nettest::TempDir work;
    const std::string json = (work.path() / "mail.json").string();
    if (nettest::RunProgram({"/usr/bin/python3", "-c", kScript, eml.string(), json}) != 0) {
        ADD_FAILURE() << "Python could not read " << eml;
        return d;
    }
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(nettest::ReadFile(json))).object();
    d.ok = true;
    d.fromName = o["fromName"].toString();
    d.fromAddress = o["fromAddress"].toString();
    d.rawFrom = o["rawFrom"].toString();
    d.toName = o["toName"].toString();
    d.toAddress = o["toAddress"].toString();
    d.subject = o["subject"].toString();
    d.text = o["text"].toString();
    d.html = o["html"].toString();
    d.messageId = o["messageId"].toString();
    d.xMailer = o["xMailer"].toString();
    d.dispositionTo = o["dispositionTo"].toString();
    d.defects = o["defects"].toInt();
    const QJsonObject attachments = o["attachments"].toObject();
    for (auto it = attachments.begin(); it != attachments.end(); ++it)
        d.attachments[it.key()] = QByteArray::fromHex(it.value().toString().toLatin1());
    const QJsonObject inlineParts = o["inline"].toObject();
    for (auto it = inlineParts.begin(); it != inlineParts.end(); ++it)
        d.inlineParts[it.key()] = QByteArray::fromHex(it.value().toString().toLatin1());
    return d;
}

// The messages a test SMTP server saved ("NNNN.eml"), in order.
inline std::vector<std::filesystem::path> SavedMessages(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".eml") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace tmtest
