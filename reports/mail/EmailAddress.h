#pragma once

#include <QString>

// A mail address with an optional display name.
class EmailAddress
{
public:
    EmailAddress() = default;
    EmailAddress(const QString& address, const QString& name = QString());

    const QString& getAddress() const { return address; }
    const QString& getName() const { return name; }

private:
    QString address;
    QString name;
};
