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

class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    if (!WebRequestAllowed(info.requestUrl())) info.block(true);
  }
};

class WebHtmlPane : public HtmlPane {
 public:
  explicit WebHtmlPane(QWidget* parent)
      : profile_(std::make_unique<QWebEngineProfile>()),  // no storage name: off the record
        interceptor_(std::make_unique<LocalOnlyInterceptor>()) {
    profile_->setUrlRequestInterceptor(interceptor_.get());
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    QWebEngineSettings* s = profile_->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    // The scratch page is written in Shift_JIS like every file of the store; a page that
    // names its own charset still gets that one.
    s->setDefaultTextEncoding(QStringLiteral("Shift_JIS"));
    view_ = std::make_unique<QWebEngineView>(parent);
    // The page is the view's child, so it goes before the profile does.
    auto* page = new QWebEnginePage(profile_.get(), view_.get());
    view_->setPage(page);
  }
  ~WebHtmlPane() override {
    view_.reset();  // view and page before the profile they use
  }

  QWidget* widget() override { return view_.get(); }
  void Navigate(const std::filesystem::path& file) override {
    view_->load(QUrl::fromLocalFile(QString::fromStdString(file.string())));
  }

 private:
  std::unique_ptr<QWebEngineProfile> profile_;
  std::unique_ptr<LocalOnlyInterceptor> interceptor_;
  std::unique_ptr<QWebEngineView> view_;
};

}  // namespace

bool WebRequestAllowed(const QUrl& url) { return url.scheme() == QLatin1String("file"); }

std::unique_ptr<HtmlPane> MakeWebHtmlPane(QWidget* parent) {
  return std::make_unique<WebHtmlPane>(parent);
}

}  // namespace app
