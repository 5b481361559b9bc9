// The class library is exported by name from every module that links it, so
// that the installation's other modules can use its classes. The compiler
// exports only members it emits, so exported classes define their public
// members out of line, however short.
#pragma once

#define KBL_EXPORT __declspec(dllexport)

// The destructor, copy constructor and assignment of an exported class,
// declared so that they are defined out of line and exported with the
// class: another module may copy or destroy its objects by name. Copies are
// memberwise, as everywhere in the library.
#define KBL_COPYABLE(Class)              \
  Class(const Class& other);             \
  Class& operator=(const Class& other);  \
  ~Class()
#define KBL_DEFINE_COPYABLE(Class)                          \
  Class::Class(const Class& other) = default;               \
  Class& Class::operator=(const Class& other) = default;    \
  Class::~Class() = default
