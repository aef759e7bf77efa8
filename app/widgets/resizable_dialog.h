#pragma once
// CResizableDialog: the base of dialogs that the user may resize. It
//  - moves and stretches the controls recorded with AddControl by the change in size (for
//    dialogs whose controls are placed at fixed positions; a dialog built with layouts
//    records none and lets its layouts do the work);
//  - shows a size grip (unless a derived dialog turns it off);
//  - never lets the dialog become smaller than it was when first shown;
//  - remembers its size when a derived dialog switches that on: "CX" and "CY" of the
//    section GetProfileSection() in the application profile (the ini file set with
//    SetProfileFile). The stored size is applied each time the dialog is shown and written
//    when it is hidden (closed) or destroyed, and only when the size was really changed
//    since it was shown, so a dialog that was never resized leaves the stored size alone.
//
// The stored size is the dialog's own area without the window frame, which is what the
// dialog is given back: a frame that differs between desktops does not make it grow from
// one run to the next. A stored value that is not positive is ignored.
//
// The dialog is named "dlg<template ID>" and finds its controls by their names
// "ctl<id>" (ui::SetControlId), at any depth below it.

#include <QDialog>
#include <QSize>

#include <string>
#include <vector>

namespace shell {

class CResizableDialog : public QDialog {
    Q_OBJECT
public:
    // AddControl flags. A stretch takes precedence over the move along the same axis.
    enum : unsigned {
        kFollowRight = 1,    // move with the right edge
        kFollowBottom = 2,   // move with the bottom edge
        kStretchWidth = 4,   // widen with the right edge
        kStretchHeight = 8,  // lengthen with the bottom edge
    };

    explicit CResizableDialog(int templateId, QWidget* parent = nullptr);
    ~CResizableDialog() override;

    // The application profile (an ini file, file-system bytes) for every resizable dialog
    // of the process; empty (the default) keeps no sizes. Set on the GUI thread.
    static void SetProfileFile(const std::string& path);
    static std::string GetProfileFile();

    // Records control `id` with `flags` (above); flags 0 records nothing.
    void AddControl(int id, unsigned flags);

    // The profile section of the stored size: by default the template ID in lower-case
    // hexadecimal ("8d" for 141). Read when the dialog is shown.
    virtual std::string GetProfileSection() const;

    int GetTemplateId() const { return m_templateId; }

protected:
    // Keep the size in the profile (off until a derived dialog switches it on).
    void SetSaveSize(bool save) { m_saveSize = save; }
    // Show the size grip (on by default).
    void SetSizeGrip(bool show);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Control {
        int id;
        unsigned flags;
    };

    void RestoreSize();
    void SaveSize();

    int m_templateId;
    bool m_saveSize = false;
    QSize m_minTrackSize;   // invalid until first shown, then the size at that moment
    QSize m_lastSize;       // invalid until the first resize event
    bool m_sized = false;   // changed in size since shown
    bool m_restoring = false;
    std::string m_section;  // GetProfileSection() as it was when shown
    std::vector<Control> m_controls;
};

}  // namespace shell
