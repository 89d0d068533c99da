// The engine floor of the start-up benchmark: the least a program can do to show a page with
// the system web view. One GTK window holding one WebKitGTK web view with the engine's
// default settings, nothing else (no toolbar, no settings store, no configuration). What the
// real program costs on top of this is what the benchmark measures.
//
// Usage: wb_engine_floor [--sandbox] URL [WIDTH HEIGHT]
//   --sandbox  runs the web process in the engine's sandbox (bubblewrap), as the program does
//              where bubblewrap works; without it the engine's default (no sandbox) is kept
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  bool sandbox = false;
  if (argc >= 2 && std::strcmp(argv[1], "--sandbox") == 0) {
    sandbox = true;
    --argc;
    ++argv;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: wb_engine_floor [--sandbox] URL [WIDTH HEIGHT]\n");
    return 2;
  }
  const int width = argc >= 4 ? std::atoi(argv[2]) : 1024;
  const int height = argc >= 4 ? std::atoi(argv[3]) : 768;
  if (sandbox) webkit_web_context_set_sandbox_enabled(webkit_web_context_get_default(), TRUE);

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), width > 0 ? width : 1024,
                              height > 0 ? height : 768);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  GtkWidget* view = webkit_web_view_new();
  gtk_container_add(GTK_CONTAINER(window), view);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
