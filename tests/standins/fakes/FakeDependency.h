// A library a fake plug-in links, kept where the loader cannot find it.
#pragma once

extern "C" __attribute__((visibility("default"))) int standinFakeDependencyAnswer();
