#include "app/addressui/record_header.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

#include "app/addressui/record_control_ids.h"
#include "app/addressui/record_fields.h"
#include "app/dialogs/dialog_parts.h"
#include "app/widgets/eliding_label.h"
#include "app/ui/control_ids.h"
#include "app/ui/sjis_text.h"

namespace addressui {

using shell::dialogs::MakeLabel;

RecordHeader::RecordHeader(QWidget* parent) : QWidget(parent) {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* frame = ui::SetControlId(new QFrame(this), ids::kHeaderFrame);
    frame->setFrameShape(QFrame::StyledPanel);
    outer->addWidget(frame);
    auto* row = new QHBoxLayout(frame);
    row->addWidget(MakeLabel(frame, ui::U8("個人情報ID"), ids::kHeaderIdLabel));
    id_ = MakeLabel(frame, QString(), ids::kHeaderId);
    id_->setMinimumWidth(70);
    row->addWidget(id_);
    row->addSpacing(16);
    row->addWidget(MakeLabel(frame, ui::U8("名前(会社名)"), ids::kHeaderNameLabel));
    // A long name is cut to the room there is (whole in the tip), never widening the editor.
    name_ = ui::SetControlId(new shell::ElidingLabel(frame), ids::kHeaderName);
    name_->setTextFormat(Qt::PlainText);
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(name_, 1);
}

void RecordHeader::Refresh(const OneCustomer* record) {
    id_->setText(record ? ui::FromSjis(HeaderIdText(*record)) : QString());
    name_->SetFullText(record ? ui::FromSjis(HeaderNameText(*record)) : QString());
}

}  // namespace addressui
