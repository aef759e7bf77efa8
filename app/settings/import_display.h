#pragma once
// Small helpers the import screens share for showing imported data.

#include <QCursor>
#include <QGuiApplication>
#include <QString>

#include <string_view>

namespace settings {

// At most this many bytes of one imported value are shown in a list cell or a message;
// the data itself is never cut.
inline constexpr std::size_t kShownValueBytes = 256;

// `sjis` as shown: cut at a character boundary within kShownValueBytes, with "…" when cut.
QString ShownValue(std::string_view sjis);

// The wait cursor for the life of the object.
class ScopedWaitCursor {
public:
    ScopedWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~ScopedWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;
};

}  // namespace settings
