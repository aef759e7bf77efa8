#pragma once
// Reads header lines the way a standard mail reader does: Python's `email` package (the
// system's /usr/bin/python3) parses a message made of the given header text and a short
// body, and reports what a reader would show. Used to prove that the program's headers
// decode as meant, independently of the program's own decoder.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <string>
#include <vector>

namespace sendtest {

struct DecodedHeaders {
    bool ok = false;           // Python ran and parsed the message
    QString error;             // why not
    QStringList names;         // header names in order (proves no header was smuggled in)
    QString subject;           // the decoded Subject
    int subjectDefects = 0;    // parse defects of Subject
    QByteArray subjectBytes;   // the Subject's encoded words' raw bytes, concatenated
    QStringList subjectCharsets;
    int longestLine = 0;       // the longest header line, CR LF not counted
    QString toName;            // the first To mailbox (RFC 2047 decoding of its phrase)
    QString toAddress;
    int toCount = 0;           // mailboxes in To
    int toDefects = 0;
};

// `headers` is the header block (each line ending in CR LF), without the blank line.
inline DecodedHeaders DecodeWithPython(const std::string& headers) {
    static const char* const kScript = R"PY(
import sys, json, email, email.policy, email.header, email.utils
data = sys.stdin.buffer.read()
out = {}
head = data.split(b'\r\n\r\n', 1)[0]
out['longest'] = max(len(l) for l in head.split(b'\r\n'))
msg = email.message_from_bytes(data, policy=email.policy.default)
out['names'] = list(msg.keys())
if 'Subject' in msg:
    s = msg['Subject']
    out['subject'] = str(s)
    out['subjectDefects'] = len(s.defects)
    raw = email.message_from_bytes(data)['Subject']
    parts = email.header.decode_header(raw)
    out['subjectBytes'] = b''.join(p if isinstance(p, bytes) else p.encode('latin-1') for p, c in parts).hex()
    out['subjectCharsets'] = [c or '' for p, c in parts]
if 'To' in msg:
    t = msg['To']
    out['toCount'] = len(t.addresses)
    out['toDefects'] = len(t.defects)
    # The display name through the classic decoder: the newer one (3.11) keeps the folding
    # white space between two encoded words of a phrase, which RFC 2047 says to drop.
    name, addr = email.utils.parseaddr(email.message_from_bytes(data)['To'])
    out['toName'] = str(email.header.make_header(email.header.decode_header(name)))
    out['toAddress'] = addr
sys.stdout.write(json.dumps(out))
)PY";
    DecodedHeaders d;
    QProcess py;
    py.start("/usr/bin/python3", {"-c", kScript});
    if (!py.waitForStarted(10000)) {
        d.error = "python3 did not start";
        return d;
    }
    py.write(QByteArray::fromStdString(headers + "\r\nbody\r\n"));
    py.closeWriteChannel();
    if (!py.waitForFinished(30000) || py.exitCode() != 0) {
        d.error = QString::fromUtf8(py.readAllStandardError());
        return d;
    }
    const QJsonObject o = QJsonDocument::fromJson(py.readAllStandardOutput()).object();
    d.ok = true;
    for (const auto& n : o["names"].toArray()) d.names << n.toString();
    d.subject = o["subject"].toString();
    d.subjectDefects = o["subjectDefects"].toInt();
    d.subjectBytes = QByteArray::fromHex(o["subjectBytes"].toString().toLatin1());
    for (const auto& c : o["subjectCharsets"].toArray()) d.subjectCharsets << c.toString();
    d.longestLine = o["longest"].toInt();
    d.toName = o["toName"].toString();
    d.toAddress = o["toAddress"].toString();
    d.toCount = o["toCount"].toInt();
    d.toDefects = o["toDefects"].toInt();
    return d;
}

// What today's mail readers show for each text: `headers` are header values, `entities`
// MIME parts (headers, blank line, body). Decoded by app/e2e/servers/iso2022jp_reader.py,
// which reads ISO-2022-JP by the Encoding Standard (NEC row 13 and the NEC-selected IBM
// rows included) and Shift_JIS as code page 932. Empty when Python fails.
struct ReaderItem {
    bool entity = false;
    std::string text;
};
inline QStringList ReadLikeMailReaders(const std::vector<ReaderItem>& items) {
    QJsonArray in;
    for (const ReaderItem& item : items) {
        QJsonObject o;
        o["kind"] = item.entity ? "entity" : "header";
        o["text"] = QString::fromLatin1(item.text.data(), static_cast<int>(item.text.size()));
        in.append(o);
    }
    QProcess py;
    py.start("/usr/bin/python3", {QUENDREL_MAIL_READER});
    if (!py.waitForStarted(10000)) return {};
    py.write(QJsonDocument(in).toJson(QJsonDocument::Compact));
    py.closeWriteChannel();
    if (!py.waitForFinished(60000) || py.exitCode() != 0) return {};
    QStringList out;
    for (const auto& v : QJsonDocument::fromJson(py.readAllStandardOutput()).array()) out << v.toString();
    return out;
}

}  // namespace sendtest
