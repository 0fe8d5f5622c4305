// The message of the ERegistryException a statement raises, or "".
#pragma once

#include <string>

#define REGISTRY_ERROR(statement)                \
    [&]() -> std::string {                       \
        try {                                    \
            statement;                           \
        } catch (const ERegistryException& e) {  \
            return e.Message();                  \
        }                                        \
        return std::string();                    \
    }()
