/* A serial-link library that offers only the port functions, for the binding tests. */
#include <stdint.h>

__attribute__((visibility("default"))) int32_t InitComport(const char* port) { return port ? 0 : 0; }
__attribute__((visibility("default"))) int32_t CloseComport(void) { return 1; }
