/* bwps/export.h: marks a function or class as part of the library's
 * exported interface (the libraries are built with hidden visibility).
 */
#ifndef BWPS_EXPORT_H
#define BWPS_EXPORT_H

#ifndef BWPS_EXPORT
#define BWPS_EXPORT __attribute__((visibility("default")))
#endif

#endif
