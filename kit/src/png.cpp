// PNG pictures written to files: shared by the screenshot call and the replay driver's outputs.
#include "kit_internal.h"

#include <cairo.h>
#include <sys/stat.h>

#include <cerrno>

namespace veldo {

namespace {

struct PngStream {
  std::FILE* file;
  int error; // the first error met while writing
};

cairo_status_t write_png_bytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* stream = static_cast<PngStream*>(closure);
  if (std::fwrite(data, 1, length, stream->file) == length)
    return CAIRO_STATUS_SUCCESS;
  if (stream->error == 0)
    stream->error = errno != 0 ? errno : EIO;
  return CAIRO_STATUS_WRITE_ERROR;
}

} // namespace

int kit_write_png(std::FILE* file, cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  PngStream stream{file, 0};
  const cairo_status_t status =
      cairo_surface_write_to_png_stream(surface, write_png_bytes, &stream);
  if (stream.error != 0)
    return stream.error;
  if (status == CAIRO_STATUS_SUCCESS)
    return 0;
  return status == CAIRO_STATUS_NO_MEMORY ? ENOMEM : EIO;
}

unsigned kit_new_file_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

} // namespace veldo
