#include "app/composer/mail_create_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/compose/confirm_dialog.h"
#include "app/composer/carrier_text_pages.h"
#include "app/composer/compose_dialog_hooks.h"
#include "app/composer/composed_mail_destinations.h"
#include "app/composer/mail_edit_page_normal.h"
#include "app/composer/mail_edit_page_text_mobile.h"
#include "app/mailtext/sjis_cut.h"
#include "app/composer/test_send.h"
#include "app/composer/text_reflection.h"
#include "app/compose/map_link_list.h"
#include "app/compose/sjis_limited_edit.h"
#include "app/htmledit/inline_cid_references.h"
#include "app/htmledit/mail_body_edit.h"
#include "app/sendrecv/send_option_indices.h"
#include "app/environment/environment_service.h"
#include "app/widgets/tab_ctrl_ex.h"
#include "app/widgets/varnis_property_sheet.h"
#include "app/ui/control_ids.h"
#include "app/ui/prompter.h"
#include "app/ui/sjis_text.h"
#include "app/ui/wait_cursor.h"
#include "core/addressbook/test_mailing_info.h"
#include "core/foundation/directory_utils.h"
#include "core/foundation/env_layout.h"
#include "core/foundation/string_utils.h"
#include "core/foundation/system_option.h"
#include "core/mailstore/mail_list_viewer.h"
#include "core/mailstore/one_mail_data.h"
#include "core/mailstore/one_mail_maker.h"
#include "platform/notifier.h"

namespace compose {

namespace {

using ui::U8;

// A field the dialog fills itself (the destination's name and the honorific that comes
// with it): read-only, on the window's colour rather than an input field's white, and
// passed over by Tab and clicks, so it does not look as if it took typing.
void ShowAsDisplayOnly(QLineEdit* field) {
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    field->setPalette(palette);
}

constexpr int kMailFormatVersion = 5;
constexpr int kOptionMapLinkNames = 121;
constexpr int kOptionMapLinkUrls = 122;
constexpr std::size_t kMaxMapLinks = 20;
// A destination name of this many bytes or more is cut in the reservation message.
constexpr std::size_t kLongDestinationName = 76;
constexpr std::size_t kShownDestinationBytes = 75;

using shell::ProgramOption;

void Warn(QWidget* owner, const QString& text, const QString& caption) {
    ui::MessageBox(owner, text, caption, platform::kMbOk | platform::kMbIconWarning);
}

void Stop(QWidget* owner, const QString& text, const QString& caption) {
    ui::MessageBox(owner, text, caption, platform::kMbOk | platform::kMbIconError);
}

QPushButton* MakeButton(QWidget* parent, const char* text, int id) {
    auto* button = ui::SetControlId(new QPushButton(U8(text), parent), id);
    button->setAutoDefault(false);
    return button;
}

// The first item of `combo` that begins with `text`; -1 when none does.
int ItemBeginningWith(const QComboBox* combo, const QString& text) {
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i).startsWith(text)) return i;
    return -1;
}

// The HTML pages of an HTML kind, in sheet order.
std::vector<int> HtmlFormatsOf(int htmlKind) {
    switch (htmlKind) {
    case 0: return {kHtmlPagePc};
    case 1: return {kHtmlPageDocomo, kHtmlPageAu, kHtmlPageSoftbank};
    default: return {kHtmlPageMime};
    }
}

// The terminal type (work folder) of an HTML page.
int TerminalOfHtmlFormat(int format) {
    switch (format) {
    case kHtmlPageDocomo: return 1;
    case kHtmlPageAu: return 2;
    case kHtmlPageSoftbank: return 3;
    default: return 0;
    }
}

const char* HtmlFolderFailure(int terminal) {
    switch (terminal) {
    case 1: return "NTT DoCoMo向けHTMLメール 作業用フォルダ作成失敗。";
    case 2: return "au TU-KA向けHTMLメール 作業用フォルダ作成失敗。";
    case 3: return "SoftBank向けHTMLメール 作業用フォルダ作成失敗。";
    default: return "PC向けHTMLメール 作業用フォルダ作成失敗。";
    }
}

const char* TextFolderFailure(int terminal) {
    switch (terminal) {
    case 1: return "NTT DoCoMo向けテキストメール 作業用フォルダ作成失敗。";
    case 2: return "au TU-KA向けテキストメール 作業用フォルダ作成失敗。";
    case 3: return "SoftBank向けテキストメール 作業用フォルダ作成失敗。";
    case 4: return "WILLCOM向けテキストメール 作業用フォルダ作成失敗。";
    default: return "PC向けテキストメール 作業用フォルダ作成失敗。";
    }
}

}  // namespace

CMailCreateDialog::CMailCreateDialog(QWidget* parent, int textMail, int htmlKind, int mailId, int sourceMailId,
                                     std::optional<std::string> bodyFile)
    : QDialog(parent),
      textMail_(textMail),
      htmlKind_(htmlKind),
      openedMailId_(mailId),
      sourceMailId_(sourceMailId),
      bodyFile_(std::move(bodyFile)),
      destinations_(std::make_unique<ComposedDestinations>(CheckStores::Program())) {
    setObjectName(ui::DialogName(kIdd));
    setWindowTitle(U8("メール作成"));
    sheet_ = new shell::CVarnisPropertySheet(QString(), this, 0);
    BuildControls();
    MakePages();
}

CMailCreateDialog::~CMailCreateDialog() {
    // Pages leave the sheet as they go (the HTML pages now, the text pages with the sheet):
    // that is no tab change for a dialog already half gone.
    disconnect(sheet_->GetTabControl(), nullptr, this, nullptr);
    htmlPages_.clear();
}

void CMailCreateDialog::BuildControls() {
    auto* column = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    destinationButton_ = MakeButton(this, "宛先(&A)", kIdcDestination);
    top->addWidget(destinationButton_);
    destinationName_ = ui::SetControlId(new QLineEdit(this), kIdcDestinationName);
    ShowAsDisplayOnly(destinationName_);
    top->addWidget(destinationName_, 1);
    top->addWidget(ui::SetControlId(new QLabel(U8("敬称"), this), kIdcHonorificLabel));
    honorific_ = ui::SetControlId(new QLineEdit(this), kIdcHonorific);
    ShowAsDisplayOnly(honorific_);
    honorific_->setMaximumWidth(120);
    top->addWidget(honorific_);
    column->addLayout(top);

    auto* place = ui::SetControlId(new QLabel(U8("ﾌﾟﾛﾊﾟﾃｨｰｼｰﾄ"), this), kIdcSheetPlace);
    place->hide();
    column->addWidget(sheet_, 1);

    auto* reserve = new QHBoxLayout;
    auto* reserveLabel = ui::SetControlId(new QLabel(U8("送信予約日時"), this), kIdcReserveLabel);
    reserve->addWidget(reserveLabel);
    reserveDate_ = ui::SetControlId(new QDateEdit(this), kIdcReserveDate);
    reserveDate_->setCalendarPopup(true);
    reserveDate_->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    // The style's own hint leaves the last digit against the drop-down arrow.
    reserveDate_->setMinimumWidth(reserveDate_->sizeHint().width() +
                                  reserveDate_->fontMetrics().horizontalAdvance(QStringLiteral("00")));
    reserve->addWidget(reserveDate_);
    reserveHour_ = ui::SetControlId(new QComboBox(this), kIdcReserveHour);
    for (int hour = 0; hour < 24; ++hour) reserveHour_->addItem(QString::number(hour));
    reserve->addWidget(reserveHour_);
    auto* hourLabel = ui::SetControlId(new QLabel(U8("時"), this), kIdcHourLabel);
    reserve->addWidget(hourLabel);
    reserveMinute_ = ui::SetControlId(new QComboBox(this), kIdcReserveMinute);
    for (const char* minute : {"00", "10", "20", "30", "40", "50"}) reserveMinute_->addItem(QString::fromLatin1(minute));
    reserve->addWidget(reserveMinute_);
    auto* minuteLabel = ui::SetControlId(new QLabel(U8("分"), this), kIdcMinuteLabel);
    reserve->addWidget(minuteLabel);
    reserve->addStretch(1);
    column->addLayout(reserve);
    reservationControls_ = {reserveDate_, reserveHour_, reserveMinute_, reserveLabel, hourLabel, minuteLabel};

    auto* buttons = new QHBoxLayout;
    // No code shows these two; their commands are the dialog's own test send and the .eml
    // import of the page of a stored MIME text.
    QPushButton* test = MakeButton(this, "テスト送信(後で削除)(&T)", kIdcTestSend);
    test->hide();
    buttons->addWidget(test);
    QPushButton* eml = MakeButton(this, "emlファイル読み込み(&E)", kIdcEmlImport);
    eml->hide();
    buttons->addWidget(eml);
    buttons->addStretch(1);
    QPushButton* sendNow = MakeButton(this, "今すぐ送信(&S)", kIdcSendNow);
    QPushButton* reserveButton = MakeButton(this, "送信予約日時に送信(&R)", kIdcReserve);
    draftButton_ = MakeButton(this, "下書き保存(&D)", kIdcDraft);
    QPushButton* check = MakeButton(this, "送信可否チェック(&B)", kIdcCheck);
    QPushButton* cancel = MakeButton(this, "キャンセル(&C)", kIdcCancel);
    for (QPushButton* b : {sendNow, reserveButton, draftButton_, check, cancel}) buttons->addWidget(b);
    column->addLayout(buttons);

    connect(destinationButton_, &QPushButton::clicked, this, &CMailCreateDialog::OnDestination);
    connect(sendNow, &QPushButton::clicked, this, [this] { OnButtonAction(kIdcSendNow); });
    connect(reserveButton, &QPushButton::clicked, this, [this] { OnButtonAction(kIdcReserve); });
    connect(draftButton_, &QPushButton::clicked, this, [this] { OnButtonAction(kIdcDraft); });
    connect(check, &QPushButton::clicked, this, &CMailCreateDialog::OnCheckSendable);
    connect(cancel, &QPushButton::clicked, this, &CMailCreateDialog::OnCancel);
    connect(test, &QPushButton::clicked, this, [this] { TestSendComposedMail(*this); });
    connect(eml, &QPushButton::clicked, this, [this] {
        if (HtmlMailPage* page = GetHtmlPage(kHtmlPageMime)) page->ImportEml();
    });
}

void CMailCreateDialog::MakePages() {
    if (textMail_ != 0) {
        pcPage_ = new CMailEditPageNormal;
        mobilePage_ = new CMailEditPageTextMobile;
        mozioPage_ = std::make_unique<CMailEditPageMozio>();
        paldioPage_ = std::make_unique<CMailEditPagePaldio>();
        pcPage_->SetSignaturePending(openedMailId_ == -1 && sourceMailId_ == -1);
        pcPage_->SetBodyFile(bodyFile_);
        for (int t = 0; t < 5; ++t) GetTextPage(t)->SetOwner(this);
        mozioPage_->SetOwner(this);
        paldioPage_->SetOwner(this);
        return;
    }
    const HtmlPageFactory& make = GetComposeDialogHooks().makeHtmlPage;
    for (int format : HtmlFormatsOf(htmlKind_)) {
        std::unique_ptr<HtmlMailPage> page = make ? make(format) : nullptr;
        if (page != nullptr) page->SetComposer(this);
        htmlPages_.push_back(std::move(page));
    }
}

TextMailPage* CMailCreateDialog::GetTextPage(int index) const {
    if (index == 0) return pcPage_;
    if (mobilePage_ == nullptr) return nullptr;
    return mobilePage_->GetCarrierPage(index - 1);
}

HtmlMailPage* CMailCreateDialog::GetHtmlPage(int format) const {
    for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_)
        if (page != nullptr && page->PageFormat() == format) return page.get();
    return nullptr;
}

char CMailCreateDialog::GetKindLetter() const {
    if (textMail_ != 0) return 'N';
    // A mail made from a stored MIME text is an HTML mail for PCs.
    return htmlKind_ == 1 ? 'M' : 'Y';
}

int CMailCreateDialog::GetMailID() const { return maker_ != nullptr ? maker_->GetMailID() : openedMailId_; }

bool CMailCreateDialog::HasStoredMail() const { return openedMailId_ != -1 || copied_; }

// ---- Opening ----------------------------------------------------------------------------------

int CMailCreateDialog::DoModal() {
    if (!OnInitDialog()) return platform::kIdCancel;
    return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

bool CMailCreateDialog::OnInitDialog() {
    if (initialised_) return true;
    initialised_ = true;
    ui::WaitCursor wait;
    resultCode_ = kNoResult;
    attachmentNotice_ = true;
    textPartNotice_ = true;
    if (std::any_of(htmlPages_.begin(), htmlPages_.end(), [](const auto& page) { return page == nullptr; })) {
        // An HTML mail without its pages would be stored empty.
        Stop(this, U8("HTMLメールの編集画面を開けません。"), U8("エラー"));
        return false;
    }
    BindMaker();
    if (sourceMailId_ != -1 && !TakeCopy()) return false;
    attachTempDir_ = maker_->GetAttachTempDirPath();
    PrepareWorkFolders();
    attachmentsAllowed_ = !(ProgramOption(kOptionNoAttachments) == "Y" || wizardMode_);
    if (const TestMailServiceFactory& make = GetComposeDialogHooks().makeTestMailService) testMail_ = make(*this, this);
    PlacePages();
    ActivateEveryPage();
    LoadMapLinks();
    FillReservation();
    if (!attachmentsAllowed_) DisableAttachments();
    EnableTestButtons();
    destinationButton_->setEnabled(static_cast<bool>(GetComposeDialogHooks().chooseDestination));
    if (wizardMode_) EnterWizardMode();
    openedContent_ = ContentSnapshot();
    return true;
}

void CMailCreateDialog::BindMaker() {
    maker_ = std::make_unique<OneMailMaker>();
    const QString caption = U8("メール詳細情報エラー");
    if (maker_->SetEnvManager(shell::GetEnvManager()) != 1) Warn(this, U8("メール詳細情報への環境情報設定に失敗しました"), caption);
    if (maker_->SetMailListViewer(shell::GetMailListViewer()) != 1)
        Warn(this, U8("メール詳細情報へのメール一覧情報設定に失敗しました"), caption);
    if (maker_->SetMailID(openedMailId_) != 0) Warn(this, U8("メール詳細情報への対象メールID設定に失敗しました"), caption);
    if (maker_->GetOneMailData(mail_, std::string(1, GetKindLetter()), kMailFormatVersion) != 0)
        Warn(this, U8("メール詳細情報へのデータ設定に失敗しました"), caption);
}

bool CMailCreateDialog::TakeCopy() {
    copied_ = true;
    const QString caption = U8("メール複製失敗");
    OneMailMaker source;
    if (source.SetEnvManager(shell::GetEnvManager()) != 1) {
        Warn(this, U8("メールの複製時、環境情報の設定に失敗しました"), caption);
        return false;
    }
    if (source.SetMailListViewer(shell::GetMailListViewer()) != 1) {
        Warn(this, U8("メールの複製時、メール一覧情報の設定に失敗しました"), caption);
        return false;
    }
    if (source.SetMailID(sourceMailId_) != 0) {
        Warn(this, U8("メールの複製時、複製元メールIDの設定に失敗しました"), caption);
        return false;
    }
    OneMail from;
    if (source.GetOneMailData(from, std::string(1, GetKindLetter()), kMailFormatVersion) != 0) {
        Warn(this, U8("メールの複製時、複製元メール情報の取得に失敗しました"), caption);
        return false;
    }
    mail_.addressName = from.addressName;
    mail_.honorific = from.honorific;
    mail_.reserveDate = from.reserveDate;
    mail_.subject = from.subject;
    mail_.body = from.body;
    mail_.attach = from.attach;
    bool useHistory = false;
    if (!mail_.addressName.empty()) {
        useHistory = ui::MessageBox(this,
                                    U8("コピー元のメールの送信履歴を利用して、新しいメールの宛先を作成しますか？\r\n"
                                      "(コピー元のメールを送信した人だけに新しいメールを送ることが出来ます。)"),
                                    U8("元メールの送信履歴利用確認"),
                                    platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
    }
    if (useHistory) {
        mail_.addressName += ui::ToSjis(U8("(メールID%1の履歴から生成)").arg(sourceMailId_));
    } else {
        mail_.addressName.clear();
        mail_.honorific.clear();
        sourceMailId_ = -1;
    }
    return true;
}

void CMailCreateDialog::PrepareWorkFolders() {
    EnvManager* env = shell::GetEnvManager();
    if (attachTempDir_.empty() || env == nullptr) return;
    if (CheckDirectory(attachTempDir_) != 0 && MakeDirectoryCompel(attachTempDir_) != 0)
        Stop(this, U8("作業用フォルダ作成失敗。"), U8("エラー"));
    for (int t = 0; t < 5; ++t) {
        if (TextMailPage* page = GetTextPage(t); page != nullptr && page->SetWorkFolder(env_layout::AttachWorkFolder(*env, t)) == 0)
            Stop(this, U8(TextFolderFailure(t)), U8("エラー"));
    }
    for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_) {
        if (page == nullptr) continue;
        const int terminal = TerminalOfHtmlFormat(page->PageFormat());
        if (page->SetAttachmentFolder(env_layout::AttachWorkFolder(*env, terminal)) == 0)
            Stop(this, U8(HtmlFolderFailure(terminal)), U8("エラー"));
        page->SetPreviewFolder(env_layout::EnvFolder(*env));
    }
}

void CMailCreateDialog::PlacePages() {
    ApplyFonts();
    if (textMail_ != 0) {
        pcPage_->SetPageIndex(0);
        sheet_->AddPage(pcPage_, QStringLiteral("PC"));
        pcPage_->LoadAttachments();
        sheet_->AddPage(mobilePage_, U8("携帯"));
        for (int t = 1; t < 5; ++t) GetTextPage(t)->LoadAttachments();
        resize(std::max(width(), 720), kTextMailHeight);
    } else {
        for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_) {
            if (page == nullptr) continue;
            sheet_->AddPage(page->PageWidget(), page->PageCaption());
            page->OnInitPage();
        }
    }
    sheet_->Create(this, shell::CVarnisPropertySheet::kWsChild | shell::CVarnisPropertySheet::kWsVisible);
    connect(sheet_->GetTabControl(), &QTabWidget::currentChanged, this, &CMailCreateDialog::OnSheetPageChanged);
}

void CMailCreateDialog::ApplyFonts() {
    const QFont body = ui::ToQFont(mailFont_);
    if (textMail_ != 0) {
        QFont subject = pcPage_->GetSubjectCtrl()->font();
        subject.setFamilies(body.families());
        for (int t = 0; t < 5; ++t) {
            GetTextPage(t)->SetSubjectFont(subject);
            GetTextPage(t)->SetBodyFont(body);
        }
        return;
    }
    for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_)
        if (page != nullptr) page->SetEditFont(mailFont_);
}

void CMailCreateDialog::ActivateSheetPage(int index) {
    QTabWidget* tabs = sheet_->GetTabControl();
    if (index < 0 || index >= tabs->count()) return;
    if (tabs->currentIndex() == index) {
        OnSheetPageChanged(index);
    } else {
        tabs->setCurrentIndex(index);
    }
}

void CMailCreateDialog::ActivateEveryPage() {
    if (textMail_ != 0) {
        ActivateSheetPage(1);
        for (int carrier : {0, 1, 2, 3, 0}) mobilePage_->ActivateCarrierPage(carrier);
        ActivateSheetPage(0);
    } else {
        for (int i = 1; i < sheet_->GetPageCount(); ++i) ActivateSheetPage(i);
        ActivateSheetPage(0);
    }
    if (QWidget* page = sheet_->GetActivePage()) page->setFocus();
}

void CMailCreateDialog::OnSheetPageChanged(int index) {
    QWidget* widget = sheet_->GetPage(index);
    bool accepted = true;
    if (widget == pcPage_ && pcPage_ != nullptr) {
        accepted = pcPage_->OnSetActive();
    } else if (widget == mobilePage_ && mobilePage_ != nullptr) {
        if (CarrierTextPage* carrier = mobilePage_->GetActiveCarrierPage()) accepted = carrier->OnSetActive();
    } else {
        for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_)
            if (page != nullptr && page->PageWidget() == widget) accepted = page->OnSetActive();
    }
    if (!accepted && index != shownSheetPage_) {
        const QSignalBlocker block(sheet_->GetTabControl());
        sheet_->GetTabControl()->setCurrentIndex(shownSheetPage_);
        return;
    }
    shownSheetPage_ = index;
}

void CMailCreateDialog::LoadMapLinks() {
    MapLinkList& links = MapLinkList::Get();
    links.Clear();
    std::vector<std::string> names;
    std::vector<std::string> urls;
    SplitString(ProgramOption(kOptionMapLinkNames), names, ",", '"');
    if (names.size() > kMaxMapLinks) {
        Stop(this, U8("地図リンクの登録数が登録可能最大数を超過しています。"), U8("エラー"));
        return;
    }
    SplitString(ProgramOption(kOptionMapLinkUrls), urls, ",", '"');
    for (std::size_t i = 0; i < urls.size(); ++i) {
        // A link without its name or its URL leaves the whole table empty.
        if (i >= names.size() || names[i].empty() || urls[i].empty()) {
            links.Clear();
            return;
        }
        links.Add(names[i], urls[i]);
    }
}

void CMailCreateDialog::FillReservation() {
    platform::DateTime date = mail_.reserveDate;
    if (!date.IsValid()) date = platform::DateTime::GetCurrentTime();
    reserveDate_->setDate(QDate(date.GetYear(), date.GetMonth(), date.GetDay()));
    const int hour = ItemBeginningWith(reserveHour_, QString::number(date.GetHour()));
    reserveHour_->setCurrentIndex(hour >= 0 ? hour : 0);
    // Minutes in two digits: 9:05 finds no item ("05") and shows "00", where "5" would
    // find "50".
    const int minute = ItemBeginningWith(reserveMinute_, QStringLiteral("%1").arg(date.GetMinute(), 2, 10, QLatin1Char('0')));
    reserveMinute_->setCurrentIndex(minute >= 0 ? minute : 0);
    destinationName_->setText(ui::FromSjis(mail_.addressName));
    honorific_->setText(ui::FromSjis(mail_.honorific));
}

void CMailCreateDialog::ReadReservation() {
    const QDate date = reserveDate_->date();
    mail_.reserveDate = platform::DateTime(date.year(), date.month(), date.day(), reserveHour_->currentText().toInt(),
                                           reserveMinute_->currentText().toInt(), 0);
    mail_.addressName = ui::ToSjis(destinationName_->text());
    mail_.honorific = ui::ToSjis(honorific_->text());
}

void CMailCreateDialog::DisableAttachments() {
    if (textMail_ != 0) {
        for (int t = 0; t < 5; ++t) GetTextPage(t)->DisableAttachmentControls();
        return;
    }
    if (htmlKind_ == 2) return;
    for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_)
        if (page != nullptr) page->DisableAttachmentControls();
}

void CMailCreateDialog::EnableTestButtons() {
    if (textMail_ == 0 && htmlKind_ == 2) return;
    bool recipient[2] = {false, false};
    CTestMailingInfo info;
    if (info.SetEnvManager(shell::GetEnvManager()) == 1) {
        info.SetSystemOption(shell::GetSystemOption());
        for (int kind = 0; kind < 2; ++kind) {
            OneCustomer record;
            recipient[kind] = info.GetTestMailingInfo(record, kind) == 1 && !record.Email.empty();
        }
    }
    const bool sender = testMail_ != nullptr;
    if (textMail_ != 0) {
        for (int t = 0; t < 5; ++t) GetTextPage(t)->EnableTestButton(sender && recipient[t == 0 ? 0 : 1]);
        return;
    }
    for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_)
        if (page != nullptr) page->EnableTestButton(sender && recipient[page->PageFormat() == kHtmlPagePc ? 0 : 1]);
}

void CMailCreateDialog::EnterWizardMode() {
    setWindowTitle(windowTitle() + U8(" － ウィザードモード"));
    if (destinationName_->text().isEmpty()) {
        for (QWidget* w : reservationControls_) w->setEnabled(false);
        draftButton_->setEnabled(false);
        destinationButton_->setEnabled(true);
    } else {
        destinationButton_->setEnabled(false);
    }
    wizardTabs_ = std::make_unique<shell::CTabCtrlEx>();
    wizardTabs_->AttachToSheet(sheet_);
    for (int item = 1; item <= 7; ++item) wizardTabs_->EnableItem(item, false);
    showGuidance_ = true;
}

void CMailCreateDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (showGuidance_) {
        showGuidance_ = false;
        QTimer::singleShot(0, this, &CMailCreateDialog::ShowGuidance);
    }
}

void CMailCreateDialog::ShowGuidance() {
    const QString text =
        destinationName_->text().isEmpty()
            ? U8("件名とメール本文を入力してください。\r\n終わりましたら(左上の)[宛先]ボタンをクリックしてください。\r\n"
                "宛先の個人情報入力へ進みます。")
            : U8("メールの宛先が設定されました。\r\n\r\n時間を指定して送信する場合は、[送信予約日時]を設定して"
                "[送信予約日時に送信]ボタンをクリックします。\r\n\r\nこのまま送信する場合は[今すぐ送信]をクリックしてください。");
    ui::MessageBox(this, text, windowTitle(), platform::kMbOk | platform::kMbIconInformation);
}

// ---- Buttons ------------------------------------------------------------------------------------

void CMailCreateDialog::OnDestination() {
    if (wizardMode_) {
        OnButtonAction(kIdcDraft);
        return;
    }
    const auto& choose = GetComposeDialogHooks().chooseDestination;
    if (!choose) return;
    const DestinationChoice choice = choose(this, sourceMailId_ != -1 ? -2 : openedMailId_);
    if (!choice.chosen) return;
    chosenListId_ = choice.listId;
    destinationsChosen_ = true;
    destinationName_->setText(choice.listName);
    honorific_->setText(choice.honorific);
    sourceMailId_ = -1;
}

bool CMailCreateDialog::OnButtonAction(int command) {
    const char kind = GetKindLetter();
    ReadReservation();
    const bool sending = command == kIdcSendNow || command == kIdcReserve;
    if (sending && mail_.addressName.empty()) {
        Warn(this, U8("メールの宛先を設定して下さい。"), U8("注意"));
        return false;
    }
    if (command == kIdcSendNow) mail_.reserveDate = platform::DateTime::GetCurrentTime();
    if (command == kIdcDraft) {
        ContentChecker checker(this, *this, CheckStores::Program());
        if (!checker.CheckMailBeforeSave(kind)) return false;
    } else if (!SendabilityCheck(kind, true)) {
        return false;
    }
    if (command == kIdcReserve && !ConfirmReservation()) return false;
    if (!SavePages(kind)) return false;
    if (maker_->SetOneMailData(mail_, std::string(1, kind), kMailFormatVersion) < 0) {
        Warn(this, ui::FromSjis(maker_->GetErrMsg().GetLastMsg()), U8("異常"));
        return false;
    }
    if (!SaveStep(kind)) return false;
    resultCode_ = command;
    QDialog::accept();
    return true;
}

bool CMailCreateDialog::ConfirmReservation() {
    const std::string& name = mail_.addressName;
    QString message;
    if (name.size() >= kLongDestinationName) {
        message = U8("送信予約後から送信日時までの間に\r\n\r\n　宛先「%1」\r\n　(長い宛先名は%2文字目まで表示されます)\r\n\r\n"
                    "内に追加、あるいは変更された送信先において、基本属性・拡張属性展開後のサイズが許容サイズを超過する場合、"
                    "\r\nメールを正常に受信できない可能性があります。")
                      .arg(ui::FromSjis(CutSjisText(name, kShownDestinationBytes)))
                      .arg(kShownDestinationBytes);
    } else {
        message = U8("送信予約後から送信日時までの間に\r\n\r\n　宛先「%1」\r\n\r\n"
                    "内に追加、あるいは変更された送信先において、基本属性・拡張属性展開後のサイズが許容サイズを超過する場合、"
                    "\r\nメールを正常に受信できない可能性があります。")
                      .arg(ui::FromSjis(name));
    }
    CConfirmDialog dialog(this);
    dialog.SetKeyName(QStringLiteral("RESERVEDATE"));
    dialog.SetDialogSize(200, 680);
    dialog.SetCaption(U8("インフォメーション"));
    dialog.SetMessage(message);
    dialog.SetStyle(CConfirmDialog::kStyleOkCancel | CConfirmDialog::kStyleInformation);
    return dialog.DoModal() == platform::kIdOk;
}

bool CMailCreateDialog::SavePages(char kind) {
    if (kind == 'N') {
        for (int t = 0; t < 5; ++t) GetTextPage(t)->ExchangeTexts(false);
        mozioPage_->ExchangeTexts(false);
        paldioPage_->ExchangeTexts(false);
        return true;
    }
    for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_)
        if (page != nullptr && !page->SaveToMail()) return false;
    return true;
}

QString CMailCreateDialog::DestinationFilesStep(int mailId) {
    QString failed;
    if (openedMailId_ < 0) {
        if (sourceMailId_ != -1) {
            failed = destinations_->CopyHistoryIntoMail(sourceMailId_, mailId);
        } else if (destinationsChosen_) {
            failed = destinations_->CopyListIntoMail(chosenListId_, mailId);
        }
    } else if (sourceMailId_ == -1) {
        if (!destinationsChosen_) return destinations_->RefreshCheck(this, mailId, false);
        failed = destinations_->CopyListIntoMail(chosenListId_, mailId);
    }
    if (!failed.isEmpty()) Warn(this, failed, U8("宛先詳細情報の準備失敗"));
    return failed;
}

bool CMailCreateDialog::SaveStep(char kind) {
    const int mailId = maker_->GetMailID();
    if (!mail_.addressName.empty()) {
        const QString failed = DestinationFilesStep(mailId);
        if (!failed.isEmpty()) {
            Warn(this, failed, U8("異常"));
            return false;
        }
    }
    CMailListViewer* mails = shell::GetMailListViewer();
    COneMailData entry;
    if (mails == nullptr || mails->GetMailData(mailId, entry) != 0) {
        Warn(this, U8("メール情報の取得に失敗しました"), U8("メール情報取得失敗"));
        return false;
    }
    if (openedMailId_ < 0) {
        entry.SetSpecialFlag(std::string(1, sourceMailId_ != -1 ? 'Y' : 'N') + kind);
    } else if (destinationsChosen_) {
        // Its recipients now come from the chosen list, not from another mail's history.
        entry.SetSpecialFlag(0, "N");
    }
    // Recipients just taken from a list are as new as the address book they were chosen
    // from: no refresh is due for them.
    if (destinationsChosen_) entry.SetDate(COneMailData::kSetAddressDate, platform::DateTime::GetCurrentTime(), 0);
    if (mails->SetMailData(entry) != 0) {
        Warn(this, U8("メール情報の設定に失敗しました"), U8("メール情報設定失敗"));
        return false;
    }
    if (mails->WriteMailList(0) != 0) {
        Warn(this, U8("メール情報の保存に失敗しました"), U8("メール情報エラー"));
        return false;
    }
    return true;
}

bool CMailCreateDialog::SendabilityCheck(char kind, bool warn) {
    if (DestinationText().empty()) {
        Warn(this, U8("メールの宛先を設定して下さい。"), U8("注意"));
        return false;
    }
    TerminalIdLists lists;
    if (!DestinationsByTerminal(kind, lists)) return false;
    ContentChecker checker(this, *this, CheckStores::Program());
    bool passed = false;
    if (kind == 'N') {
        if (std::all_of(lists.begin(), lists.end(), [](const std::vector<int>& l) { return l.empty(); })) {
            Warn(this, U8("設定されている宛先には、送信可能なメールアドレスが存在しません。"), U8("注意"));
            return false;
        }
        passed = checker.CheckTextMail(kPurposeSend, warn, lists[0], lists[1], lists[2], lists[3], lists[4]);
    } else if (kind == 'Y') {
        if (lists[0].empty()) {
            Warn(this, U8("設定されている宛先には、送信可能なPCのメールアドレスが存在しません。"), U8("注意"));
            return false;
        }
        passed = checker.CheckHtmlMailPc(kPurposeSend, warn, lists[0]);
    } else {
        if (lists[1].empty() && lists[2].empty() && lists[3].empty()) {
            Warn(this, U8("設定されている宛先には、送信可能な携帯キャリアのメールアドレスが存在しません。"), U8("注意"));
            return false;
        }
        passed = checker.CheckHtmlMailMobile(kPurposeSend, warn, lists[1], lists[2], lists[3]);
    }
    if (!passed) return false;
    return !warn || MobileAttachmentAdvice(kind, lists);
}

bool CMailCreateDialog::MobileAttachmentAdvice(char kind, const TerminalIdLists& lists) {
    bool applies = false;
    if (kind == 'M') {
        for (int format : {kHtmlPageDocomo, kHtmlPageAu, kHtmlPageSoftbank}) {
            HtmlMailPage* page = GetHtmlPage(format);
            if (!lists[static_cast<std::size_t>(format - kHtmlPagePc)].empty() && page != nullptr &&
                page->GetAttachmentCount() > 0)
                applies = true;
        }
    } else if (kind == 'N') {
        for (int t = 1; t <= 4; ++t) {
            if (!lists[static_cast<std::size_t>(t)].empty() && GetTextPage(t)->GetAttachmentCount() > 0) applies = true;
        }
    }
    if (!applies) return true;
    CConfirmDialog dialog(this);
    dialog.SetKeyName(QStringLiteral("MOBILEATTACH"));
    dialog.SetDialogSize(150, 470);
    dialog.SetCaption(U8("確認"));
    dialog.SetMessage(U8("携帯端末に添付ファイルを送信する場合は、受信者のパケット料金を考慮し、"
                        "必要最低限のサイズに抑えることを推奨します。\r\n([OK]ボタンクリックで送信設定を続行します。)"));
    dialog.SetStyle(CConfirmDialog::kStyleOkCancel | CConfirmDialog::kStyleQuestion);
    return dialog.DoModal() == platform::kIdOk;
}

bool CMailCreateDialog::OnCheckSendable() {
    if (!SendabilityCheck(GetKindLetter(), false)) return false;
    ui::MessageBox(this, U8("正常に終了しました。\r\n送信可能なメールです。"), U8("メール送信可否"),
                   platform::kMbOk | platform::kMbIconInformation);
    return true;
}

void CMailCreateDialog::OnCancel() {
    if (!ConfirmDiscard()) return;
    destinations_->WriteBackSnapshot(openedMailId_);
    QDialog::reject();
}

std::string CMailCreateDialog::ContentSnapshot() {
    std::string out;
    // Each piece with its length before it, so no two different contents read alike.
    const auto add = [&out](const std::string& piece) {
        out += std::to_string(piece.size());
        out += ':';
        out += piece;
    };
    const auto addFiles = [&](const std::vector<PageFileEntry>& files) {
        add(std::to_string(files.size()));
        for (const PageFileEntry& f : files) {
            add(f.contentId);
            add(f.fileName);
            add(f.inlineImage ? "1" : "0");
            add(std::to_string(f.size));
        }
    };
    add(ui::ToSjis(destinationName_->text()));
    add(ui::ToSjis(honorific_->text()));
    add(std::to_string(chosenListId_));
    add(ui::ToSjis(reserveDate_->date().toString(Qt::ISODate) + reserveHour_->currentText() + QLatin1Char(':') +
                   reserveMinute_->currentText()));
    if (textMail_ != 0) {
        for (int t = 0; t < 5; ++t) {
            TextMailPage* page = GetTextPage(t);
            add(page->Subject()->GetSjisText());
            add(page->Body()->GetSjisText());
            for (int i = 0; i < page->GetAttachmentCount(); ++i) {
                std::string name;
                std::uint64_t size = 0;
                page->GetAttachmentName(i, name);
                page->GetAttachmentSize(i, size);
                add(name);
                add(std::to_string(size));
            }
        }
        return out;
    }
    for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_) {
        if (page == nullptr) continue;
        add(page->Subject());
        add(page->HtmlPart());
        add(page->TextPart());
        addFiles(page->InlineImages());
        addFiles(page->Attachments());
    }
    return out;
}

bool CMailCreateDialog::ConfirmDiscard() {
    if (!openedContent_ || ContentSnapshot() == *openedContent_) return true;
    return ui::MessageBox(this,
                          U8("作成中のメールの内容は保存されていません。\r\n"
                            "変更した内容を破棄して、メール作成を終了してもよろしいですか？\r\n"
                            "([キャンセル]ボタンをクリックするとメール作成に戻ります。)"),
                          U8("確認"), platform::kMbOkCancel | platform::kMbIconQuestion | ui::kMbDefButton2) ==
           platform::kIdOk;
}

void CMailCreateDialog::accept() { OnButtonAction(kIdcDraft); }

void CMailCreateDialog::reject() { OnCancel(); }

// ---- What the pages ask of the dialog --------------------------------------------------

void CMailCreateDialog::ShowAttachmentNoticeOnce(QWidget* owner) {
    if (!attachmentNotice_) return;
    CConfirmDialog dialog(owner != nullptr ? owner : this);
    dialog.SetKeyName(QStringLiteral("ATTACHSECURITY"));
    dialog.SetDialogSize(140, 475);
    dialog.SetCaption(U8("インフォメーション"));
    dialog.SetMessage(U8("添付ファイルは、送信先相手をウィルスに感染させる恐れがあります。\r\n"
                        "添付ファイルには必ずウィルスチェックを行うようにして下さい。\r\n"));
    dialog.SetStyle(CConfirmDialog::kStyleInformation);
    dialog.DoModal();
    attachmentNotice_ = false;
}

std::string CMailCreateDialog::DestinationText() const { return ui::ToSjis(destinationName_->text()); }

bool CMailCreateDialog::GetDestinationsByTerminal(char kind, TerminalIdLists& lists) {
    return DestinationsByTerminal(kind, lists);
}

bool CMailCreateDialog::DestinationsByTerminal(char kind, TerminalIdLists& lists) {
    DestinationSource source;
    source.mailId = openedMailId_;
    source.sourceMailId = sourceMailId_;
    source.chosenListId = destinationsChosen_ ? chosenListId_ : -1;
    const DestinationRefreshCheck refresh = [this](int mailId) {
        return destinations_->RefreshCheck(this, mailId, true);
    };
    if (!compose::GetDestinationsByTerminal(this, CheckStores::Program(), source, kind, refresh, lists)) {
        destinations_->WriteBackSnapshot(openedMailId_);
        return false;
    }
    return true;
}

bool CMailCreateDialog::CheckComposedMail(char kind, int format) {
    ContentChecker checker(this, *this, CheckStores::Program());
    return checker.CheckComposedMail(kind, format);
}

bool CMailCreateDialog::CheckMailSizeForCarriers(MailSizeMeasure& record) {
    return compose::CheckMailSizeForCarriers(this, record, CheckStores::Program());
}

void CMailCreateDialog::ForwardInsertText() {
    QWidget* active = sheet_->GetActivePage();
    if (active == nullptr) return;
    if (active == mobilePage_) {
        mobilePage_->OnInsertText();
        return;
    }
    for (const std::unique_ptr<HtmlMailPage>& page : htmlPages_)
        if (page != nullptr && page->PageWidget() == active) page->InsertPictogram();
}

std::string CMailCreateDialog::TextSubject(int terminal) {
    TextMailPage* page = GetTextPage(terminal);
    return page != nullptr ? page->Subject()->GetSjisText() : std::string();
}

std::string CMailCreateDialog::TextBody(int terminal) {
    TextMailPage* page = GetTextPage(terminal);
    return page != nullptr ? page->Body()->GetSjisText() : std::string();
}

CheckedHtmlPage* CMailCreateDialog::HtmlPage(int kind) {
    if (kind == kKindHtmlPc) {
        if (HtmlMailPage* page = GetHtmlPage(kHtmlPagePc)) return page;
        return GetHtmlPage(kHtmlPageMime);
    }
    return GetHtmlPage(kind);
}

// ---- Copies into the carrier pages ----------------------------------------------------------

int CMailCreateDialog::CopyTextToCarrierPages(const std::string& subject, const std::string& body) {
    for (int t = 1; t <= 4; ++t) {
        TextMailPage* page = GetTextPage(t);
        if (page == nullptr) continue;
        const ReflectCarrier& carrier = kReflectCarriers[static_cast<std::size_t>(t - 1)];
        page->SetSubjectText(CutSjisText(subject, static_cast<std::size_t>(carrier.subjectLimit)));
        page->Body()->SetSjisText(CutSjisText(body, static_cast<std::size_t>(carrier.bodyLimit)));
        page->UpdateCharCount();
    }
    return 1;
}

int CMailCreateDialog::CopyDocomoTextToCarrierPages(const std::string& subject, const std::string& body) {
    for (int t = 2; t <= 4; ++t) {
        TextMailPage* page = GetTextPage(t);
        if (page == nullptr) continue;
        page->SetSubjectText(subject);
        page->Body()->SetSjisText(body);
        page->UpdateCharCount();
    }
    return 1;
}

bool CMailCreateDialog::CopyAttachmentsToCarrierPages(const std::array<bool, 4>& flags) {
    if (pcPage_ == nullptr) return false;
    std::vector<PageAttachments*> targets;
    for (int t = 1; t <= 4; ++t)
        if (flags[static_cast<std::size_t>(t - 1)]) targets.push_back(GetTextPage(t));
    return CopyAttachments(*pcPage_, targets);
}

bool CMailCreateDialog::CopyDocomoAttachmentsToCarrierPages(const std::array<bool, 3>& flags) {
    TextMailPage* docomo = GetTextPage(1);
    if (docomo == nullptr) return false;
    std::vector<PageAttachments*> targets;
    for (int t = 2; t <= 4; ++t)
        if (flags[static_cast<std::size_t>(t - 2)]) targets.push_back(GetTextPage(t));
    return CopyAttachments(*docomo, targets);
}

bool CMailCreateDialog::CopyAttachments(PageAttachments& source, const std::vector<PageAttachments*>& targets) {
    for (PageAttachments* target : targets) {
        if (target->RemoveAllAttachments() == 0) {
            Stop(this, U8("添付ファイル反映先の削除に失敗しました。"), U8("エラー"));
            return false;
        }
    }
    auto failed = [this](const char* text) {
        ui::MessageBox(this, U8(text), U8("エラー"), platform::kMbOk);
        return false;
    };
    const int count = source.GetAttachmentCount();
    for (int i = 0; i < count; ++i) {
        std::uint64_t size = 0;
        if (source.GetAttachmentSize(i, size) == 0) return failed("添付ファイル反映時、ファイルサイズ取得に失敗しました。");
        std::string buffer;
        try {
            buffer.resize(static_cast<std::size_t>(size));
        } catch (const std::exception&) {
            return failed("添付ファイル反映時、メモリ獲得に失敗しました。");
        }
        std::string name;
        if (source.GetAttachmentName(i, name) == 0) return failed("添付ファイル反映時、ファイル名取得に失敗しました。");
        if (source.GetAttachmentData(i, buffer.size(), buffer.data()) == 0)
            return failed("添付ファイル反映時、ファイル読み込みに失敗しました。");
        for (PageAttachments* target : targets) {
            if (target->AddAttachmentFromBuffer(name, buffer.data(), buffer.size()) == 0)
                return failed("添付ファイル反映時、ファイル書き込みに失敗しました。");
        }
    }
    for (PageAttachments* target : targets) target->ShowAttachmentNames();
    return true;
}

// ---- Copies into the au TU-KA and SoftBank HTML pages --------------------------------------

bool CMailCreateDialog::ClearReflectedAttachments() {
    for (int format : {kHtmlPageAu, kHtmlPageSoftbank}) {
        HtmlMailPage* page = GetHtmlPage(format);
        if (page == nullptr) continue;
        if (page->RemoveAllAttachments() == 0 || page->RemoveAllInlineImages() == 0) {
            Stop(this, U8("添付ファイル反映先の削除に失敗しました。"), U8("エラー"));
            return false;
        }
    }
    return true;
}

bool CMailCreateDialog::ReflectAttachments(HtmlMailPage& docomo, bool withAttachments) {
    HtmlMailPage* au = GetHtmlPage(kHtmlPageAu);
    HtmlMailPage* softbank = GetHtmlPage(kHtmlPageSoftbank);
    std::vector<PageAttachments*> targets;
    if (au != nullptr) targets.push_back(au);
    if (softbank != nullptr) targets.push_back(softbank);
    if (withAttachments && !CopyAttachments(docomo, targets)) return false;
    for (const PageFileEntry& image : docomo.InlineImages()) {
        if (!image.inlineImage) continue;
        MimeFormatStruct part;
        if (!docomo.FindInlinePart(image.contentId, part)) continue;
        if (au != nullptr) {
            // au TU-KA names the same slot "img@0" + the NTT DoCoMo id ("05" -> "img@005").
            const std::string id = "img@0" + image.contentId;
            MimeFormatStruct copy = part;
            copy.SetContentId(" <" + id + ">");
            au->SetInlineImage(id, image.fileName, image.size);
            au->AppendInlinePart(copy);
        }
        if (softbank != nullptr) {
            MimeFormatStruct copy = part;
            copy.SetContentId(" <" + image.contentId + ">");
            softbank->SetInlineImage(image.contentId, image.fileName, image.size);
            softbank->AppendInlinePart(copy);
        }
    }
    return true;
}

void CMailCreateDialog::ReflectInlineImages(const std::string& subject, const std::string& html,
                                            const std::string& text) {
    HtmlMailPage* au = GetHtmlPage(kHtmlPageAu);
    HtmlMailPage* softbank = GetHtmlPage(kHtmlPageSoftbank);
    HtmlMailPage* docomo = GetHtmlPage(kHtmlPageDocomo);
    const std::string auHtml = docomo != nullptr ? htmledit::AuHtmlFromDocomo(html, docomo->InlineImages()) : html;
    for (HtmlMailPage* page : {au, softbank}) {
        if (page == nullptr) continue;
        page->SetSubject(subject);
        page->SetTextPart(text);
    }
    if (au != nullptr) au->SetHtmlPart(auHtml);
    if (softbank != nullptr) softbank->SetHtmlPart(html);
}

void CMailCreateDialog::ResetHtmlPages() {
    for (int format : {kHtmlPageAu, kHtmlPageSoftbank})
        if (HtmlMailPage* page = GetHtmlPage(format)) page->ResetPage();
}

void CMailCreateDialog::RefreshHtmlPages() {
    for (int format : {kHtmlPageAu, kHtmlPageSoftbank})
        if (HtmlMailPage* page = GetHtmlPage(format)) page->RefreshPage();
}

}  // namespace compose
