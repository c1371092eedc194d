// Short names for the types of the plug-in's bus message catalogue.
#pragma once

#include <string>

class EventCatalogue {
public:
    // The seven catalogue types may be written by their last part
    // ("CppEvent"); every other name is the type exactly as written.
    static std::string typeOf(const std::string& name);
};
