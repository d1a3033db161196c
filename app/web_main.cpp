// 岫然计时器 in a browser: the page is the main window. main() only opens it; the page's events
// drive the program from then on, so the platform, the host and the program outlive main().
#include "main_window/program.h"
#include "platform/web/web_platform.h"

int main() {
  auto* platform = new xr::web::WebPlatform;
  auto* host = new xr::WindowHost(*platform);
  auto* program = new xr::Program(*platform, *host);
  program->Start();
  return 0;
}
