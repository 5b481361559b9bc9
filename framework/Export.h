// The class library is exported by name from every module that links it, so
// that the installation's other modules can use its classes. The compiler
// exports only members it emits, so exported classes define their public
// members out of line, however short.
#pragma once

#define KBL_EXPORT __declspec(dllexport)
