// Screenshots: the part of the canvas the graphics window shows, saved as a PNG file that appears
// whole or not at all.
#include "kit_internal.h"

#include <veldo/kit.h>

#include <cairo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace veldo {

namespace {

// The visible part of the canvas written to an open file as PNG; 0, or the error met.
int write_visible_canvas(std::FILE* file) {
  cairo_surface_t* canvas = platform::canvas_surface();
  cairo_surface_t* visible =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, CLIENT_WIDTH, CLIENT_HEIGHT);
  cairo_t* cr = cairo_create(visible);
  cairo_surface_flush(canvas);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, canvas, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  const int error = kit_write_png(file, visible);
  cairo_surface_destroy(visible);
  return error;
}

// Writes the picture beside `path` under a temporary name and renames it into place; 0, or the
// error that stopped it, with nothing left behind.
int save_visible_canvas(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = path.substr(directory.size());
  if (name.empty())
    return EISDIR;
  std::string temporary = directory + "." + name + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0)
    return errno;
  ::fchmod(fd, kit_new_file_mode());
  std::FILE* file = ::fdopen(fd, "wb");
  int error = 0;
  if (file == nullptr) {
    error = errno;
    ::close(fd);
  } else {
    error = write_visible_canvas(file);
    if (std::fclose(file) != 0 && error == 0)
      error = errno;
  }
  if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0)
    error = errno;
  if (error != 0)
    ::unlink(temporary.c_str());
  return error;
}

} // namespace

} // namespace veldo

using namespace veldo;

extern "C" int kit_save_png(const char* path) {
  if (!kit_is_open(CALL_SAVE_PNG))
    return 0;
  if (path == nullptr || path[0] == '\0') {
    kit_log("Cannot save the picture \"\": no file name\n");
    return 0;
  }
  if (int error = save_visible_canvas(path); error != 0) {
    kit_log("Cannot save the picture %s: %s\n", path, std::strerror(error));
    return 0;
  }
  return 1;
}
