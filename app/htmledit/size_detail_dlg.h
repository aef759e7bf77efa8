#pragma once
// CMailFileSizeDlg (dlg2016, "メールファイルサイズ詳細"): how the size of one HTML mail is
// made up, shown from an HTML page's "詳細(&M)" button: the subject, the HTML part, the
// TEXT part, the inline images and the attachments in bytes, the numbers of inline images
// and attachments, and the total of the five byte figures (the two numbers are not part
// of it). The page sets the figures before the modal run, from the measurement of the
// composing dialog (the parts as they are with the longest values of the address book
// merged in, as the dialog's note says). Every figure shows with thousands separators.
//
// The figures sit in a table of ruled cells: a one-row box for the total and seven rows
// below it, drawn by the dialog itself.

#include <QDialog>
#include <QString>

#include <cstdint>

namespace htmledit {

class CMailFileSizeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdd = 2016;
    // The value fields.
    enum : int {
        kIdcTotal = 1903, kIdcSubject = 1911, kIdcHtmlPart = 1912, kIdcTextPart = 1913, kIdcInlineCount = 1914,
        kIdcInlineSize = 1915, kIdcAttachmentCount = 1918, kIdcAttachmentSize = 1920,
    };

    explicit CMailFileSizeDlg(QWidget* parent = nullptr);

    // Byte figures (each also added to the total) and the two numbers (not added).
    void SetSubjectSize(std::uint64_t bytes);
    void SetHtmlPartSize(std::uint64_t bytes);
    void SetTextPartSize(std::uint64_t bytes);
    void SetInlineImageSize(std::uint64_t bytes);
    void SetAttachmentSize(std::uint64_t bytes);
    void SetInlineImageCount(std::uint64_t count);
    void SetAttachmentCount(std::uint64_t count);

    std::uint64_t GetTotal() const { return total_; }

    // Runs the dialog: IDOK (1) or IDCANCEL (2).
    int DoModal();
    // Shows the figures in their fields (DoModal does it).
    void OnInitDialog();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    enum Figure : int { kSubject, kHtml, kText, kInlineCount, kInlineSize, kAttachCount, kAttachSize, kFigures };
    void SetFigure(Figure figure, std::uint64_t value, bool addToTotal);

    QString texts_[kFigures];
    std::uint64_t total_ = 0;
};

}  // namespace htmledit
