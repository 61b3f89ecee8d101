// The HTML view behind a small interface, so the main window and its tests need no browser
// engine; the program plugs in the web-engine view, created on first use.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

class QWidget;

namespace app {

class HtmlPane {
 public:
  virtual ~HtmlPane() = default;
  virtual QWidget* widget() = 0;
  // Shows the local file (the scratch page written by the window).
  virtual void Navigate(const std::filesystem::path& file) = 0;
};

// Makes the pane as a child of the given panel.
using HtmlPaneFactory = std::function<std::unique_ptr<HtmlPane>(QWidget* parent)>;

}  // namespace app
