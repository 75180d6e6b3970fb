// Linked into every program of the sanitizer build: dlclose does nothing, so that a library
// that was loaded stays mapped until the leak check at exit. Mesa unloads its driver when the
// EGL display is terminated; LeakSanitizer could then name neither the driver nor any frame of
// what it leaked ("<unknown module>"), and no suppression could match it. A library opened
// again gets the same, still-initialised copy, as it would while another handle held it.
extern "C" int dlclose(void*) {
    return 0;
}
