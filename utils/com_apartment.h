// A COM single-threaded apartment for the calling thread while the object lives (nothing on
// POSIX): the system services the installer uses from its threads need one.
#pragma once

namespace Utils {

class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // False when COM could not be initialised (the thread has another apartment already).
  bool Initialised() const { return initialised_; }

 private:
  bool initialised_ = false;
};

}  // namespace Utils
