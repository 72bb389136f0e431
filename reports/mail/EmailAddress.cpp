#include "EmailAddress.h"

EmailAddress::EmailAddress(const QString& address, const QString& name)
    : address(address)
    , name(name)
{
}
