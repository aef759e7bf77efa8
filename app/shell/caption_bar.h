#pragma once
// CCaptionBar (bar 183): the grey band over the mail list whose read-only field (1488)
// names the list mode shown (" すべて"), in bold white on grey (0x808080).

#include <QString>
#include <QWidget>

class QLineEdit;

namespace shell {

class CCaptionBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdd = 183;
    static constexpr int kIdcCaption = 1488;
    static constexpr QRgb kBackColor = 0xFF808080;
    static constexpr QRgb kTextColor = 0xFFFFFFFF;

    explicit CCaptionBar(QWidget* parent = nullptr);

    void SetCaption(const QString& text);
    QString Caption() const;
    QLineEdit* CaptionField() const { return field_; }

private:
    QLineEdit* field_;
};

}  // namespace shell
