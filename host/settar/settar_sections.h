// Creating and destroying settar's in-memory configuration sections. The
// attribute calls themselves are declared with the plug-in's imports.
#ifndef SETTAR_SECTIONS_H_
#define SETTAR_SECTIONS_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Results of configsection_set_attrib.
#define SETTAR_OK 0
#define SETTAR_BAD_ARGUMENT (-1)  // null section, key or value
#define SETTAR_NO_MEMORY (-2)

// A new empty section, or null when no memory is left. Keys match exactly as
// given (letter case included). A value text returned by
// configsection_get_attrib_val stays valid until that key is set again or
// the section is destroyed. A section is not locked: one thread at a time.
void* configsection_create(void);
// A new section holding copies of every attribute of `section`; null when
// `section` is null or no memory is left.
void* configsection_clone(const void* section);
// Destroys a section from configsection_create or _clone; null is ignored.
void configsection_destroy(void* section);

// Sections created and not yet destroyed. Thread-safe.
size_t settar_live_sections(void);

#ifdef __cplusplus
}
#endif

#endif  // SETTAR_SECTIONS_H_
