#pragma once
// KeptText: the bytes a control was filled from, so that a control the user did not change
// gives them back exactly. The text boundary already round-trips every CP932 code, but a
// stored field may hold what no control keeps as it is: bytes that are no Shift_JIS at all,
// a CR LF inside a one-line field, more than an edit holds. A record that was only looked
// at is therefore stored with its own bytes, whatever they are.

#include <QString>

#include <string>

class QLineEdit;

namespace addressui {

class KeptText {
public:
    // Remembers `bytes` and `shown`, the text the control holds after it was filled.
    void Remember(std::string bytes, QString shown) {
        bytes_ = std::move(bytes);
        shown_ = std::move(shown);
    }
    // The bytes remembered when `now` is still the text shown, else `now` in Shift_JIS.
    std::string Result(const QString& now) const;
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    QString shown_;
};

// Fills `edit` with `bytes` and remembers them in `kept`.
void LoadEdit(QLineEdit* edit, const std::string& bytes, KeptText& kept);
// The edit's text to store: the remembered bytes when unchanged.
std::string StoreEdit(const QLineEdit* edit, const KeptText& kept);

}  // namespace addressui
