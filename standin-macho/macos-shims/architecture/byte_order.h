// mach-o/loader.h includes this for byte swapping, which the loader never does.
#pragma once
