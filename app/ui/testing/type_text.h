#pragma once
// Typing in tests. QTest::keyClicks takes a char string and aborts on text outside
// Latin-1, so Japanese is typed here: one key event per character (a surrogate pair as
// one), carrying the character as its text, as an input method delivers a committed
// character. A line break ("\r\n", or a lone "\r" or "\n") is one press of Return.

#include <QString>

#include <functional>

class QWidget;

namespace ui::test {

void TypeText(QWidget* target, const QString& text);
inline void TypeText(QWidget* target, const char* utf8) { TypeText(target, QString::fromUtf8(utf8)); }

// Pumps the event loop until `done` is true or `ms` milliseconds passed; true when done.
bool WaitUntil(const std::function<bool()>& done, int ms = 5000);

}  // namespace ui::test
