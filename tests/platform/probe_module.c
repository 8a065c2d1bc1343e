/* A minimal run-time library for the loader tests: one exported function. */
#ifndef PROBE_VALUE
#define PROBE_VALUE 0
#endif

__attribute__((visibility("default"))) int probe_value(void) {
    return PROBE_VALUE;
}
