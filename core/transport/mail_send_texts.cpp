// The texts MailSend makes: boundaries, Message-IDs, dates, encoded file names, the reply
// code reader and the version text.
#include "core/transport/mail_send.h"

#include "core/foundation/file_info.h"
#include "core/foundation/kcode.h"
#include "core/mailstore/base64.h"
#include "core/mailstore/encoded_word.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>

namespace {

std::mutex& TextsMutex() {
    static std::mutex m;
    return m;
}

std::string& XMailerName() {
    static std::string name;
    return name;
}

struct Now {
    tm fields{};
    int ms = 0;
    long long totalMs = 0;
};

Now ReadNow(bool utc) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    Now now;
    const time_t seconds = ts.tv_sec;
    if (utc) {
        gmtime_r(&seconds, &now.fields);
    } else {
        localtime_r(&seconds, &now.fields);
    }
    now.ms = static_cast<int>(ts.tv_nsec / 1000000);
    now.totalMs = static_cast<long long>(ts.tv_sec) * 1000 + now.ms;
    return now;
}

}  // namespace

void MailSend::SetXMailer(const std::string& name) {
    std::lock_guard<std::mutex> lock(TextsMutex());
    XMailerName() = name;
}

std::string MailSend::GetXMailer() {
    std::lock_guard<std::mutex> lock(TextsMutex());
    return XMailerName();
}

std::string MailSend::EncodeFileName(const std::string& name) {
    for (unsigned char c : name) {
        if (c >= 0x80) {
            KCodeC code;
            return base64encoding(std::string_view(code.sjtojis7(name, 1)));
        }
    }
    return name;
}

std::string MailSend::MakeBoundary() {
    const Now now = ReadNow(false);
    std::minstd_rand random(static_cast<unsigned>(now.fields.tm_sec + now.ms));
    std::string bytes;
    for (int i = 0; i < 3; ++i) bytes += static_cast<char>((random() & 0xFF) | 1);
    const std::string letters = abnbase64encoding(bytes);
    char text[96];
    std::snprintf(text, sizeof text, "_MULTIPART_%04d%02d%02d%02d%02d%02d%03hd_%s_MIXED_", now.fields.tm_year + 1900,
                  now.fields.tm_mon + 1, now.fields.tm_mday, now.fields.tm_hour, now.fields.tm_min, now.fields.tm_sec,
                  static_cast<short>(now.ms), letters.c_str());
    return text;
}

std::string MailSend::MakeMessageID(const std::string& domain, int number) {
    static long long lastMs = -1;
    static int counter = 0;
    const Now now = ReadNow(true);
    int count;
    {
        std::lock_guard<std::mutex> lock(TextsMutex());
        if (now.totalMs != lastMs || counter >= 99999) {
            counter = 0;
        } else {
            ++counter;
        }
        lastMs = now.totalMs;
        count = counter;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%03hd.%05d.%d.", now.fields.tm_year + 1900,
                  now.fields.tm_mon + 1, now.fields.tm_mday, now.fields.tm_hour, now.fields.tm_min, now.fields.tm_sec,
                  static_cast<short>(now.ms), count, number);
    return text + domain;
}

std::string MailSend::MakeSmtpDateNow(int zone) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const Now now = ReadNow(false);
    if (zone == kLocalZone) {
        const long offset = now.fields.tm_gmtoff / 60;  // minutes east of UTC
        zone = static_cast<int>((offset / 60) * 100 + offset % 60);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%04d", kDays[now.fields.tm_wday % 7],
                  now.fields.tm_mday, kMonths[now.fields.tm_mon % 12], now.fields.tm_year + 1900, now.fields.tm_hour,
                  now.fields.tm_min, now.fields.tm_sec, zone < 0 ? '-' : '+', std::abs(zone) % 10000);
    return text;
}

int MailSend::GetResponseStatus(const std::string& reply, int& signedCode) {
    signedCode = 0;
    std::size_t end = reply.size();
    while (end > 0 && (reply[end - 1] == '\r' || reply[end - 1] == '\n')) --end;
    const std::size_t start = reply.find_last_of('\n', end == 0 ? 0 : end - 1);
    const std::string line = reply.substr(start == std::string::npos ? 0 : start + 1,
                                          end - (start == std::string::npos ? 0 : start + 1));
    if (line.size() < 3) return 0;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
    }
    const int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    if (line.size() == 3 || line[3] == ' ') {
        signedCode = code;
    } else if (line[3] == '-') {
        signedCode = -code;
    } else {
        return 0;
    }
    return code;
}

std::string MailSend::GetDllVersion() {
    char version[128] = {};
    if (!GetFileVerInfo("libombrel.so", "FileVersion", version, sizeof version)) return std::string();
    return version;
}
