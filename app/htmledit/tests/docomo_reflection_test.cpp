// The reflection of the NTT DoCoMo HTML page into the au TU-KA and SoftBank pages: the
// confirmation, the au TU-KA and SoftBank limits checked before anything is copied (with
// attachments left behind counting no more), and what the composing dialog is asked.
#include <gtest/gtest.h>

#include <QDialog>

#include <functional>

#include "app/htmledit/html_page_attachments.h"
#include "app/htmledit/inline_image_settings.h"
#include "app/htmledit/tests/carrier_page_fixture.h"
#include "app/htmledit/tests/dialog_watch.h"
#include "platform/notifier.h"

namespace htmledit {
namespace {

using carriertest::ImagePart;
using htmltest::Picture;
using htmltest::S;

class DocomoReflectionTest : public carriertest::CarrierPageTest {
protected:
    // A DoCoMo page with a subject, both parts, `attachments` of the given sizes and
    // `images` of the given sizes in slots 00, 01, ...
    std::unique_ptr<CMailEditPageHtmlDocomo> PageWith(const std::vector<std::size_t>& attachments,
                                                      const std::vector<std::size_t>& images) {
        composer_ = carriertest::CarrierComposer{};
        auto page = Open<CMailEditPageHtmlDocomo>();
        page->SetSubject(S("件名"));
        page->SetHtmlPart("<img src=\"cid:00\">");
        page->SetTextPart(S("本文"));
        for (std::size_t i = 0; i < attachments.size(); ++i)
            EXPECT_EQ(page->AddAttachmentFromBuffer("f" + std::to_string(i), std::string(attachments[i], 'a').data(),
                                                    attachments[i]),
                      1);
        for (std::size_t i = 0; i < images.size(); ++i) {
            char id[8];
            std::snprintf(id, sizeof id, "%02u", static_cast<unsigned>(i));
            page->AppendInlinePart(ImagePart(id, "p.gif", Picture("GIF", qRgb(1, 2, 3), images[i])));
        }
        page->FillSlotsFromInlineParts();
        EXPECT_EQ(page->InlineImages().size(), images.size());
        return page;
    }
    // Presses the reflect button, confirming the first question.
    void Reflect(CMailEditPageHtmlDocomo& page) {
        maptest::DialogWatch confirm("dlg937", [](QDialog* dialog) { dialog->accept(); });
        page.ReflectToOtherCarriers();
    }
};

TEST_F(DocomoReflectionTest, LimitsOfTheOtherCarriersComeFirst) {
    struct Case {
        const char* name;
        std::vector<std::size_t> attachments, images;
        int answer;  // to the attachment question; 0: it must not come
        std::vector<std::string> calls;
        const char* told;  // the start of the last message (UTF-8); null: none
    };
    const std::vector<std::string> all = {"clear", "attachments and images", "texts", "reset", "refresh"};
    const std::vector<std::string> withoutAttachments = {"clear", "images", "texts", "reset", "refresh"};
    const std::vector<std::size_t> sixteen(16, 100), fifteen(15, 100), quarters(4, 15000);
    const Case cases[] = {
        {"small files", {1000}, {100}, 0, all, nullptr},
        {"600,000 bytes of attachments, OK", {300000, 300000}, {100}, platform::kIdOk, withoutAttachments,
         "au TU-KA向けメールに添付可能なファイルの合計サイズは500Kバイトまでです。\r\n"
         "[OK]ボタンをクリックすると添付ファイル以外の情報がau TU-KA向けメールに反映されます。"},
        {"600,000 bytes of attachments, Cancel", {300000, 300000}, {100}, platform::kIdCancel, {},
         "au TU-KA向けメールに添付可能なファイルの合計サイズは500Kバイトまでです。"},
        {"a picture of 15,361 bytes", {}, {100, 15361}, 0, {},
         "インライン画像に15Kバイトより大きいサイズの画像が含まれているため、au TU-KA向けメールに反映できません。\r\n"
         "au TU-KA向けメールには1ファイル当たり15Kバイトまでのインライン画像を設定可能です。"},
        {"a picture of 15,360 bytes", {}, {15360}, 0, all, nullptr},
        {"10 attachments and 16 pictures", std::vector<std::size_t>(10, 10), sixteen, 0, {},
         "インライン画像数と添付ファイル数の合計が25を超えるため、au TU-KA向けメールに反映できません。\r\n"
         "au TU-KA向けメールにはインライン画像数と添付ファイル数は合計25ファイルまで設定可能です。"},
        {"10 attachments and 15 pictures", std::vector<std::size_t>(10, 10), fifteen, 0, all, nullptr},
        {"10 attachments left behind and 16 pictures", std::vector<std::size_t>(10, 60000), sixteen, platform::kIdOk,
         withoutAttachments, "au TU-KA向けメールに添付可能なファイルの合計サイズは500Kバイトまでです。"},
        {"200,000 + 60,000 bytes", {200000}, quarters, 0, {},
         "インライン画像、添付ファイルの合計サイズが250Kバイトを超えるため、SoftBank向けメールに反映できません。\r\n"
         "SoftBank向けメールでは、合計250Kバイト（256,000バイト）までのインライン画像、添付ファイルを設定可能です。"},
        {"196,000 + 60,000 bytes", {196000}, quarters, 0, all, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto page = PageWith(c.attachments, c.images);
        prompts_.clear();
        if (c.answer != 0) prompts_.Answer(c.answer);
        Reflect(*page);
        EXPECT_EQ(composer_.calls, c.calls);
        if (c.answer != 0) {
            EXPECT_EQ(prompts_.captions().value(0), ui::U8("確認"));
        }
        if (c.told == nullptr) {
            EXPECT_TRUE(prompts_.prompts().empty()) << AllTold();
        } else {
            ASSERT_FALSE(prompts_.prompts().empty());
            EXPECT_TRUE(prompts_.texts().last().startsWith(QString::fromUtf8(c.told))) << AllTold();
        }
        if (!c.calls.empty()) {
            EXPECT_EQ(composer_.reflectedFrom, page.get());
            EXPECT_EQ(composer_.subject, S("件名"));
            EXPECT_EQ(composer_.html, "<img src=\"cid:00\">");
            EXPECT_EQ(composer_.text, S("本文"));
        }
    }
}

TEST_F(DocomoReflectionTest, PartsThatWouldBeCutAreNotReflected) {
    // The au TU-KA references are 5 bytes longer: 9,995 bytes with one reference fit,
    // 9,996 do not.
    const std::string reference = "<img src=\"cid:00\">";
    for (std::size_t size : {9995u, 9996u}) {
        auto page = PageWith({}, {100});
        page->SetHtmlPart(reference + std::string(size - reference.size(), 'h'));
        ASSERT_EQ(page->HtmlPart().size(), size);
        EXPECT_EQ(page->HtmlForAu(page->HtmlPart()).size(), size + 5);
        prompts_.clear();
        Reflect(*page);
        if (size == 9995u) {
            EXPECT_EQ(composer_.calls.size(), 5u);
        } else {
            EXPECT_TRUE(composer_.calls.empty());
            EXPECT_TRUE(prompts_.texts().last().startsWith(
                ui::U8("HTMLパートの文字数が半角10000文字を超えるため、au TU-KA向けメールに反映できません。")))
                << AllTold();
        }
    }
    // Only img src values of pictures in use change, to au TU-KA's ids.
    auto page = PageWith({}, {100, 100, 100, 100, 100, 100});
    EXPECT_EQ(page->HtmlForAu("<img src=\"cid:05\"><IMG SRC=cid:00><a href=\"cid:05\">x</a><img src=\"cid:07\">"),
              "<img src=\"cid:img@005\"><IMG SRC=cid:img@000><a href=\"cid:05\">x</a><img src=\"cid:07\">");
}

TEST_F(DocomoReflectionTest, TheQuestionComesOncePerOpening) {
    auto page = PageWith({}, {});
    {
        maptest::DialogWatch cancel("dlg937", [](QDialog* dialog) { dialog->reject(); });
        page->ReflectToOtherCarriers();
        EXPECT_TRUE(cancel.shown());
    }
    EXPECT_TRUE(composer_.calls.empty());
    EXPECT_TRUE(page->IsReflectionQuestionPending());
    Reflect(*page);
    EXPECT_EQ(composer_.calls.size(), 5u);
    EXPECT_FALSE(page->IsReflectionQuestionPending());
    composer_.calls.clear();
    maptest::DialogWatch again("dlg937", [](QDialog* dialog) { dialog->reject(); });
    page->ReflectToOtherCarriers();
    EXPECT_FALSE(again.shown());
    EXPECT_EQ(composer_.calls.size(), 5u);
}

}  // namespace
}  // namespace htmledit
