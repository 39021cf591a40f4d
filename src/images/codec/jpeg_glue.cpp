#include "images/codec/jpeg_glue.h"

#include <jerror.h>

#include "images/codec/image_stream.h"

namespace {

// A real progressive file has a dozen scans; thousands only cost time.
constexpr int maxScans = 500;

void errorExit(j_common_ptr cinfo) {
  JpegErrorManager* errors = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  longjmp(errors->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
  JpegErrorManager* errors = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  if (level >= 0) return;
  if (cinfo->err->msg_code == JWRN_HIT_MARKER) errors->hitEndOfData = true;
  cinfo->err->num_warnings++;
}

void outputMessage(j_common_ptr) {}

void initSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
  JpegStreamSource* source = reinterpret_cast<JpegStreamSource*>(cinfo->src);
  size_t count = source->stream->read(source->buffer, 1, JpegStreamSource::bufferSize);
  if (count == 0) {
    if (source->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // Hand out an end-of-image marker so that libjpeg stops here.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    count = 2;
    source->exhausted = true;
  }
  source->manager.next_input_byte = source->buffer;
  source->manager.bytes_in_buffer = count;
  source->startOfFile = false;
  return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* manager = cinfo->src;
  while (count > long(manager->bytes_in_buffer)) {
    count -= long(manager->bytes_in_buffer);
    fillInputBuffer(cinfo);
  }
  manager->next_input_byte += count;
  manager->bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

void monitorProgress(j_common_ptr cinfo) {
  JpegProgressMonitor* monitor = reinterpret_cast<JpegProgressMonitor*>(cinfo->progress);
  if (*monitor->escape) failJpeg(monitor->errors, "Decoding abandoned");
  j_decompress_ptr decompressor = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (decompressor->input_scan_number > maxScans)
    failJpeg(monitor->errors, "Too many scans in JPEG file");
}

}  // namespace

void useJpegErrorManager(jpeg_decompress_struct& cinfo, JpegErrorManager& errors) {
  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = errorExit;
  errors.manager.emit_message = emitMessage;
  errors.manager.output_message = outputMessage;
  errors.hitEndOfData = false;
  errors.message[0] = 0;
}

void attachJpegSource(jpeg_decompress_struct& cinfo, JpegStreamSource& source,
                      ImageStream& stream) {
  source.manager.init_source = initSource;
  source.manager.fill_input_buffer = fillInputBuffer;
  source.manager.skip_input_data = skipInputData;
  source.manager.resync_to_restart = jpeg_resync_to_restart;
  source.manager.term_source = termSource;
  source.manager.bytes_in_buffer = 0;
  source.manager.next_input_byte = nullptr;
  source.stream = &stream;
  source.startOfFile = true;
  source.exhausted = false;
  cinfo.src = &source.manager;
}

void attachJpegProgressMonitor(jpeg_decompress_struct& cinfo, JpegProgressMonitor& monitor,
                               JpegErrorManager& errors, const volatile int& escape) {
  monitor.manager.progress_monitor = monitorProgress;
  monitor.errors = &errors;
  monitor.escape = &escape;
  cinfo.progress = &monitor.manager;
}

void failJpeg(JpegErrorManager* errors, const char* text) {
  std::snprintf(errors->message, sizeof errors->message, "%s", text);
  longjmp(errors->jump, 1);
}

bool jpegDataCutShort(jpeg_decompress_struct& cinfo, JpegErrorManager& errors,
                      const JpegStreamSource& source) {
  if (!source.exhausted || !errors.hitEndOfData) return false;
  cinfo.err->msg_code = JWRN_JPEG_EOF;
  (*cinfo.err->format_message)(reinterpret_cast<j_common_ptr>(&cinfo), errors.message);
  return true;
}
