#pragma once
// The Public Suffix List, through libpsl: which part of a host name a registrant holds, and
// which top-level domains are real. The newest list on the system is read once, the one built
// into the library where there is none.

#include <QByteArray>
#include <QByteArrayView>

namespace PublicSuffix {

// The registrable domain of a lower-case host name: "docs.example.co.uk" gives "example.co.uk".
// Empty for a public suffix itself ("co.uk"), an address of digits and for what is no host name.
QByteArray registrableDomain(QByteArrayView host);

// Whether the last label of a lower-case domain is a top-level domain of the list ("com",
// "org", "de"; not "png" or "zz"). No rule is assumed for names the list does not have.
bool hasRealTopLevel(QByteArrayView domain);

} // namespace PublicSuffix
