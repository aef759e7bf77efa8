#pragma once
// The body edits of the mail pages. Both are byte-limited Shift_JIS edits
// (compose::SjisLimitedEdit) with the merge-field menu of CMailTextEdit, and add:
//
// CMailBodyEdit (kind 0: plain text, any other kind: HTML text):
//  - a "地図リンク" submenu with one item per link of the program's map-link list
//    (compose::MapLinkList), inserting the link's text unchanged (commands 33059 +
//    index). With no link the item shows grayed; with more than 20 links there is no item
//    at all (the settings never hold more: a longer list is one this menu cannot show);
//  - in HTML text, merge fields written as HTML: the tag "<%メールアドレス%>" goes in as
//    "&lt;%メールアドレス%&gt;", the form the merge step recognises in an HTML part.
//
// CMailBodyEditHtml (the HTML part, always kind 1) adds an "画像の挿入" submenu: one item
// "<file name> (cid:<Content-ID>)" per inline image of the page, at most the first 20
// (commands 33079 + index), inserting <img src="cid:<Content-ID>">; grayed without images.
// The page replaces the image list whenever its inline images change.
//
// Every insertion replaces the selection as one step of undo and is refused whole, like
// typing, when it would pass the edit's byte limit.

#include <QPoint>

#include <string>
#include <utility>
#include <vector>

#include "app/compose/sjis_limited_edit.h"

class QMenu;

namespace htmledit {

class CMailBodyEdit : public compose::SjisLimitedEdit {
    Q_OBJECT
public:
    enum Command : int {
        kIdFirstMapLink = 33059,
        kIdLastMapLink = 33078,
        kIdFirstImage = 33079,
        kIdLastImage = 33098,
    };
    static constexpr int kMaxMenuItems = 20;

    explicit CMailBodyEdit(int kind = 0, QWidget* parent = nullptr);

    int GetKind() const { return kind_; }

    // The context menu (the caller owns it): CMailTextEdit's items and merge fields, then
    // the body edit's own submenus.
    QMenu* BuildBodyContextMenu(QWidget* parent = nullptr);
    void ShowContextMenu(const QPoint& globalPos) override;
    // Inserts the merge field of command `commandId` (33000-33055), HTML-escaped in HTML
    // text (CMailTextEdit's InsertMailWord goes here too).
    void InsertMergeField(int commandId);
    void InsertMailWord(int commandId) override;
    // Inserts the text of map link `index`; false when there is no such link or the
    // limit refuses it.
    bool InsertMapLink(std::size_t index);

protected:
    // Appends the edit's own items to `menu`.
    virtual void AppendBodyItems(QMenu* menu);

private:
    int kind_;
};

class CMailBodyEditHtml : public CMailBodyEdit {
    Q_OBJECT
public:
    // (file name, Content-ID), Shift_JIS.
    using InlineImage = std::pair<std::string, std::string>;

    explicit CMailBodyEditHtml(QWidget* parent = nullptr);

    void ClearInlineImages() { images_.clear(); }
    void AddInlineImage(std::string fileName, std::string contentId) {
        images_.emplace_back(std::move(fileName), std::move(contentId));
    }
    const std::vector<InlineImage>& GetInlineImages() const { return images_; }
    // Inserts the img tag of inline image `index`; false when there is none or the limit
    // refuses it.
    bool InsertImageTag(std::size_t index);

protected:
    void AppendBodyItems(QMenu* menu) override;

private:
    std::vector<InlineImage> images_;
};

}  // namespace htmledit
