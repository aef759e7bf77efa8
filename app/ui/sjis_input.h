#pragma once
// Text the user puts into an edit, held against what Shift_JIS can keep. Everything the
// program stores crosses into the core as Shift_JIS (sjis_text.h), where a character that
// CP932 has no code for would silently become a blank. So a text that arrives from the
// user (typed, committed by an input method, pasted, dropped, read from a file the user
// chose) is filtered as it comes in: what CP932 cannot hold is left out, the rest is
// taken, and the user is told at once which characters did not go in.
//
// One character is what the user sees as one: a grapheme cluster ("😀", "👍🏽", "1️⃣", a
// family joined by ZERO WIDTH JOINERs). A cluster is kept when every code point of it is
// a Shift_JIS character, variation selectors aside (they only choose how a kept character
// is drawn, and are left out without a word); otherwise the whole cluster is left out and
// named. A space that CP932 lacks (no-break space, the typographic spaces) becomes an
// ordinary blank, which is what it looks like. Carrier pictograms (the private-use
// characters of the user-defined area) are Shift_JIS characters and always kept.
//
// The messages go through the prompter (prompter.h), with the caption "注意", after the
// edit has finished the input at hand (from the event loop), so an input method or a drop
// is never interrupted by a modal box.

#include <QString>
#include <QStringList>

#include <cstddef>

class QWidget;

namespace ui {

struct KeptInput {
    QString text;         // the input without what Shift_JIS cannot hold
    QStringList dropped;  // the characters left out, each once, in order of first appearance
};

// Filters `input` as described above. Cheap when everything is kept: one table look-up
// per UTF-16 unit, no cluster analysis.
KeptInput KeepSjisCharacters(const QString& input);

// The message that names the characters left out (`nameThem` false: a password edit, the
// characters are not shown).
QString DroppedCharactersMessage(const QStringList& dropped, bool nameThem = true);
// The message that names characters of a text kept as it came (a stored mail taken whole)
// which this program shows and sends as blanks.
QString UnshownCharactersMessage(const QStringList& characters);
// The message that an input was cut to fit the edit's limit of `limitBytes` bytes.
QString CutAtLimitMessage(std::size_t limitBytes);

// Tells the user, once control is back in the event loop, that the input to `edit` lost
// `dropped` (may be empty) and, when `cutAtBytes` is not 0, that it was cut at that limit:
// one message for both. Nothing when there is nothing to tell or the edit is gone by then.
void TellInputAltered(QWidget* edit, const QStringList& dropped, std::size_t cutAtBytes = 0, bool nameThem = true);

}  // namespace ui
