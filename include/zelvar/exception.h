// CQvBaseException: exported abstract base for the exceptions of other
// modules. It holds no data; a derived class supplies the description and
// owns its storage. Objects are allocated with the ordinary global operators.
#ifndef ZELVAR_EXCEPTION_H_
#define ZELVAR_EXCEPTION_H_

#include "zelvar/export.h"

class ZELVAR_EXPORT CQvBaseException {
 public:
  CQvBaseException();
  CQvBaseException(const CQvBaseException& other);
  virtual ~CQvBaseException();

  // Copies nothing: each object keeps its own class and description.
  CQvBaseException& operator=(const CQvBaseException& other);

  // The description of the most derived class, exactly as GetDescription
  // returns it (null included).
  char* operator*();

  // The exception's description, or null. Owned by the derived class.
  virtual char* GetDescription() = 0;
};

#endif  // ZELVAR_EXCEPTION_H_
