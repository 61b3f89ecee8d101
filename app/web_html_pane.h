// The HTML view on the web engine, locked down: off-the-record profile, no JavaScript, no
// plugins; it loads the scratch page the window writes and nothing else, and never
// navigates away from it.
#pragma once

#include <functional>
#include <memory>

#include "app/html_pane.h"

class QUrl;

namespace app {

// on_refused, when given, hears every request and navigation the view refused (for tests
// and tracing).
std::unique_ptr<HtmlPane> MakeWebHtmlPane(QWidget* parent,
                                          std::function<void(const QUrl&)> on_refused = {});

// The request filter alone: true only for the scratch page itself (a fragment or query on
// it aside). Nothing is allowed before a page was given.
bool WebRequestAllowed(const QUrl& url, const QUrl& scratch_page);

}  // namespace app
