// The class library is exported by name from every module that links it, so
// that the installation's other modules can use its classes.
#pragma once

#define KBL_EXPORT __declspec(dllexport)
