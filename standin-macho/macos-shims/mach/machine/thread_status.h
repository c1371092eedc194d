// mach-o/loader.h includes this for thread states, which the loader never reads.
#pragma once
