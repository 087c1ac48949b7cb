// Loading an INI file into settar's configuration sections, one section per
// [name], kept in file order. Keys and values are stored as written, after
// the trimming and comment stripping of the INI reader.
#ifndef SETTAR_FILE_H_
#define SETTAR_FILE_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct configfile configfile;

// Why a file did not load. `line` is the 1-based line of the first error, 0
// when the file could not be read at all; `message` is one line of text
// without the file name.
typedef struct configfile_error {
  int line;
  char message[160];
} configfile_error;

// Reads the file at `path` (not null). Returns the loaded file, or null and fills
// `error` (which may be null). A file is malformed when a line is neither a
// [section], a key = value pair, a comment nor blank; when a key comes
// before any named section; when a key has no name or appears twice in one
// section; when a section has no keys or reappears after another section;
// or when a line is longer than the reader takes. Leading blanks are
// ignored, so indented keys are keys, not continuation lines.
configfile* configfile_load(const char* path, configfile_error* error);

// Destroys the file and every section it holds; null is ignored.
void configfile_destroy(configfile* file);

size_t configfile_section_count(const configfile* file);
// The name of the `index`th section, in file order.
const char* configfile_section_name(const configfile* file, size_t index);
// The `index`th section, for the configsection_* calls (clone it to get a
// section of one's own). It belongs to the file: never destroy it.
void* configfile_section(const configfile* file, size_t index);

#ifdef __cplusplus
}
#endif

#endif  // SETTAR_FILE_H_
