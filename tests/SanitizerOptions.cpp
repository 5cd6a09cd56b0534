// The sanitizer's settings for the test programs: a data file may ask for a table larger than
// memory, and the library must then get null from the allocator, as it does without a sanitizer,
// rather than have the program stopped. Above 4 GiB an allocation fails, as on a 32-bit host.
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=4096";
}
