#include "FakeDependency.h"

int standinFakeDependencyAnswer() { return 42; }
