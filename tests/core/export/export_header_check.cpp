// The export engine's public header is all a front end needs to run an export. libav stays
// behind it: the editor and the command line compile against it without seeing libav's headers.
#include "core/export/av_exporter.hpp"

#if defined(LIBAVUTIL_VERSION_MAJOR) || defined(AVUTIL_RATIONAL_H) || defined(AVCODEC_AVCODEC_H)
#error "core/export/av_exporter.hpp brings libav's headers along"
#endif
