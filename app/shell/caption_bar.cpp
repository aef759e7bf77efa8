#include "app/shell/caption_bar.h"

#include <QHBoxLayout>
#include <QLineEdit>

#include "app/ui/control_ids.h"

namespace shell {

CCaptionBar::CCaptionBar(QWidget* parent) : QWidget(parent) {
    setObjectName(ui::DialogName(kIdd));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(kBackColor));
    pal.setColor(QPalette::WindowText, QColor::fromRgb(kTextColor));
    pal.setColor(QPalette::Base, QColor::fromRgb(kBackColor));
    pal.setColor(QPalette::Text, QColor::fromRgb(kTextColor));
    setPalette(pal);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 3, 4, 3);
    field_ = ui::SetControlId(new QLineEdit(this), kIdcCaption);
    field_->setReadOnly(true);
    field_->setFrame(false);
    field_->setFocusPolicy(Qt::NoFocus);
    field_->setPalette(pal);
    QFont bold = field_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    field_->setFont(bold);
    layout->addWidget(field_);
}

void CCaptionBar::SetCaption(const QString& text) { field_->setText(text); }

QString CCaptionBar::Caption() const { return field_->text(); }

}  // namespace shell
