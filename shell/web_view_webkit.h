#pragma once
// The web view on WebKitGTK. Everything engine-specific lives in web_view_webkit.cpp.
#include <memory>
#include <string>

#include "shell/web_view.h"

namespace wb {

class WebKitViewFactory : public WebViewFactory {
 public:
  std::unique_ptr<WebView> Create(WebView* related) override;
};

// Resolves a partial address as a browser's address bar does. An address with a scheme
// ("http:", "file:", "about:", "mailto:" ...) is returned unchanged; "host:port..." is not a
// scheme. Without a scheme, an existing file path (absolute, or relative to the working
// directory) becomes a file URI, and anything else gets "http://". Leading and trailing
// blanks are ignored; an address of blanks only resolves to empty text.
std::string ResolveAddress(const std::string& address);

// Decides whether the engine's sandbox can be used here and sets the engine up for it. The
// sandbox is turned on whenever bubblewrap can create its namespaces; it is left off only
// where it cannot work (no bubblewrap, or a system that refuses user namespaces), since the
// engine's web process would not start at all otherwise. Returns whether it is on.
bool ConfigureEngineSandbox();

}  // namespace wb
