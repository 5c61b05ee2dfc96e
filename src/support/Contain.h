// Failure containment: a routine that must go on runs its steps through Contained(); with the
// debug switch ErrorCatch on, failures are not caught and end the program with their report.
#pragma once

#include <exception>
#include <string>

#include "support/Log.h"

namespace sonivex {

template <class Step>
void Contained(const char* where, Step&& step) {
    if (CurrentLogConfig().errorCatch) {
        step();
        return;
    }
    try {
        step();
    } catch (const std::exception& e) {
        WriteLog(std::string(where) + " Failed " + e.what(), 1);
    } catch (...) {
        WriteLog(std::string(where) + " Failed", 1);
    }
}

}  // namespace sonivex
