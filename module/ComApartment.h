// The calling thread's membership of the multithreaded COM apartment for one job.
#ifndef BRIMLOFT_MODULE_COMAPARTMENT_H
#define BRIMLOFT_MODULE_COMAPARTMENT_H

namespace brimloft {

// Joins the multithreaded apartment, or finds the thread in another one already (fine), and
// leaves on every way out only what it joined. Throws (unit "filtertypes") a failure to join.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool joined_ = false;
};

}  // namespace brimloft

#endif
