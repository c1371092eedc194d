// Just the types that mach-o/loader.h takes from the Mach headers, which do
// not build against glibc.
#pragma once

typedef int integer_t;
typedef integer_t cpu_type_t;
typedef integer_t cpu_subtype_t;
