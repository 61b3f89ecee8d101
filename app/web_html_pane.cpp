// The web-engine HTML view.
#include "app/web_html_pane.h"

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace app {

namespace {

// Refuses every request but the one for the scratch page: a message must not pull in
// other local files (an iframe of Account.ini would show the passwords) nor anything
// from the network.
class ScratchOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
 public:
  ScratchOnlyInterceptor(const QUrl& page, std::function<void(const QUrl&)> on_refused)
      : page_(page), on_refused_(std::move(on_refused)) {}
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    if (WebRequestAllowed(info.requestUrl(), page_)) return;
    info.block(true);
    if (on_refused_) on_refused_(info.requestUrl());
  }

 private:
  const QUrl& page_;
  std::function<void(const QUrl&)> on_refused_;
};

// The view shows the scratch page when the window asks for it and goes nowhere else: links,
// refreshes, form posts and frames of the page are refused.
class ScratchOnlyPage : public QWebEnginePage {
 public:
  ScratchOnlyPage(QWebEngineProfile* profile, const QUrl& page,
                  std::function<void(const QUrl&)> on_refused, QObject* parent)
      : QWebEnginePage(profile, parent), page_(page), on_refused_(std::move(on_refused)) {}

  // Set before the window's own load; one navigation is accepted for it.
  void ExpectLoad() { expecting_load_ = true; }

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool is_main_frame) override {
    const bool accept = is_main_frame && expecting_load_ && WebRequestAllowed(url, page_);
    if (is_main_frame) expecting_load_ = false;
    if (!accept && on_refused_) on_refused_(url);
    return accept;
  }

 private:
  const QUrl& page_;
  std::function<void(const QUrl&)> on_refused_;
  bool expecting_load_ = false;
};

class WebHtmlPane : public HtmlPane {
 public:
  WebHtmlPane(QWidget* parent, std::function<void(const QUrl&)> on_refused)
      : profile_(std::make_unique<QWebEngineProfile>()),  // no storage name: off the record
        interceptor_(std::make_unique<ScratchOnlyInterceptor>(page_url_, on_refused)) {
    profile_->setUrlRequestInterceptor(interceptor_.get());
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    QWebEngineSettings* s = profile_->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    s->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    // The window writes the page in UTF-8 with a byte-order mark, which outranks whatever
    // charset the HTML names; this is only the fallback.
    s->setDefaultTextEncoding(QStringLiteral("UTF-8"));
    view_ = std::make_unique<QWebEngineView>(parent);
    // The page is the view's child, so it goes before the profile does.
    page_ = new ScratchOnlyPage(profile_.get(), page_url_, std::move(on_refused), view_.get());
    view_->setPage(page_);
  }
  ~WebHtmlPane() override {
    view_.reset();  // view and page before the profile they use
  }

  QWidget* widget() override { return view_.get(); }
  void Navigate(const std::filesystem::path& file) override {
    page_url_ = QUrl::fromLocalFile(QString::fromStdString(file.string()));
    page_->ExpectLoad();
    view_->load(page_url_);
  }

 private:
  QUrl page_url_;  // the scratch page: the one URL the view may load
  std::unique_ptr<QWebEngineProfile> profile_;
  std::unique_ptr<ScratchOnlyInterceptor> interceptor_;
  std::unique_ptr<QWebEngineView> view_;
  ScratchOnlyPage* page_ = nullptr;  // owned by view_
};

}  // namespace

bool WebRequestAllowed(const QUrl& url, const QUrl& scratch_page) {
  return !scratch_page.isEmpty() && url.isLocalFile() &&
         url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery) == scratch_page;
}

std::unique_ptr<HtmlPane> MakeWebHtmlPane(QWidget* parent,
                                          std::function<void(const QUrl&)> on_refused) {
  return std::make_unique<WebHtmlPane>(parent, std::move(on_refused));
}

}  // namespace app
