// The HTML view on the web engine, locked down: off-the-record profile, no JavaScript, no
// plugins, and every request that is not for a local file refused.
#pragma once

#include <memory>

#include "app/html_pane.h"

class QUrl;

namespace app {

std::unique_ptr<HtmlPane> MakeWebHtmlPane(QWidget* parent);

// The request filter alone, for tests: true when the URL may be loaded.
bool WebRequestAllowed(const QUrl& url);

}  // namespace app
