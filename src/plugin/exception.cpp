#include "zelvar/exception.h"

CQvBaseException::CQvBaseException() = default;

CQvBaseException::CQvBaseException(const CQvBaseException&) = default;

CQvBaseException::~CQvBaseException() = default;

CQvBaseException& CQvBaseException::operator=(const CQvBaseException&) = default;

char* CQvBaseException::operator*() { return GetDescription(); }
