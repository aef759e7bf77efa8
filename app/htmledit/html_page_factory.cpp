#include "app/htmledit/html_page_factory.h"

#include "app/htmledit/au_html_page.h"
#include "app/htmledit/docomo_html_page.h"
#include "app/htmledit/pc_html_page.h"
#include "app/htmledit/softbank_html_page.h"

namespace htmledit {

std::unique_ptr<compose::HtmlMailPage> MakeHtmlMailPage(int format) {
    switch (format) {
        case compose::kHtmlPagePc: return std::make_unique<CMailEditPageHtmlPc>();
        case compose::kHtmlPageDocomo: return std::make_unique<CMailEditPageHtmlDocomo>();
        case compose::kHtmlPageAu: return std::make_unique<CMailEditPageHtmlAu>();
        case compose::kHtmlPageSoftbank: return std::make_unique<CMailEditPageHtmlSoftbank>();
        default: return nullptr;
    }
}

}  // namespace htmledit
