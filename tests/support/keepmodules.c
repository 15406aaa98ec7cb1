/* Linked into every program of the sanitizer build only. A library that is
 * unloaded before the leak check leaves its leaks as "<unknown module>",
 * which no suppression can name and no one can trace; with every library
 * kept loaded until the process ends, each leak names its library and
 * function, so a leak inside a system library can be suppressed by name
 * while one of ours still fails the test. */
int dlclose(void *handle)
{
    (void)handle;
    return 0;
}
