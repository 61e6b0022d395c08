#pragma once
// The thorough crawl's address scan: the addresses a reader of the page would take for
// addresses, however the page writes them, and nothing that only looks like one.

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

namespace AddressScan {

// Every plausible address of an HTML page, each once, in the order first seen, lower case.
QByteArrayList ExtractEmails(QByteArrayView page);

} // namespace AddressScan
