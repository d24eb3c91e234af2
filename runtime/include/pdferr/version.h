/* The toolkit's version, so that a published result can record what made
 * it. */
#ifndef PDFERR_VERSION_H
#define PDFERR_VERSION_H

#ifdef __cplusplus
extern "C" {
#endif

/* The version of the library linked, "MAJOR.MINOR.PATCH". */
const char* pdferr_version(void);

#ifdef __cplusplus
}

namespace pdferr {

/* The version of the library linked, "MAJOR.MINOR.PATCH". */
inline const char* version() noexcept { return pdferr_version(); }

}  // namespace pdferr
#endif

#endif
