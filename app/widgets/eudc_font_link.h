#pragma once
// CEudcFontLink: links the program's user-defined-character font file to face names, so
// that the user-defined characters (U+E000-U+E757 on screen: the carriers' pictograms
// among them) draw from it, and undoes the links it made.
//
// The links form one table per process, face name -> font file (names compared without
// regard to case). RefreshEudc applies the table: every linked file is registered as an
// application font and put behind every family of the program as a fallback
// (ui::AddFallbackFont), and a file no longer linked is taken out again. Qt cannot link a
// file to one face only, so a linked file serves every face.
//
// Each object remembers the links it set and, when asked to keep old values, the links
// they replaced, so that RemoveFontLinks puts the table back as it found it. A name this
// object has already linked is not saved a second time: the value saved first (the one
// from before this object) is the one restored.
//
// A font file that cannot be loaded never stops the program: RefreshEudc answers false
// and the text draws without it. Use on the GUI thread only.

#include <QString>

#include <optional>
#include <vector>

namespace shell {

class CEudcFontLink {
public:
    CEudcFontLink() = default;
    CEudcFontLink(const CEudcFontLink&) = delete;
    CEudcFontLink& operator=(const CEudcFontLink&) = delete;

    // Links face `name` to font file `value`. With `keepOld`, a file already linked to
    // that name is saved first (see above). `ownKey` is kept for the callers; the table
    // is the same either way. False for an empty name.
    bool SetFontLink(const QString& name, const QString& value, bool keepOld, bool ownKey);
    // Applies the table; false when a linked file could not be loaded.
    bool RefreshEudc();
    // Removes the links this object set and restores the values it saved; the lists are
    // cleared. Removing a link that is no longer there counts as done. `ownKey` as above.
    bool RemoveFontLinks(bool ownKey);

    // The file linked to face `name` now, if any.
    static std::optional<QString> GetFontLink(const QString& name);

private:
    struct Link {
        QString name;
        QString value;
    };
    std::vector<Link> m_set;
    std::vector<Link> m_saved;
};

}  // namespace shell
