// Attribute access on the host's configuration sections (settar), as the
// plug-in imports it. Section handles come from the host's record.
#ifndef ZELVAR_PLATFORM_SETTAR_H_
#define ZELVAR_PLATFORM_SETTAR_H_

#ifdef __cplusplus
extern "C" {
#endif

// The value text of `key`, or null when the section has no such attribute.
// The text stays settar's; the caller never changes or releases it.
const char* configsection_get_attrib_val(void* section, const char* key);
// Sets `key` to a copy of `value`; the result goes back to the host unchanged.
int configsection_set_attrib(void* section, const char* key, const char* value);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // ZELVAR_PLATFORM_SETTAR_H_
