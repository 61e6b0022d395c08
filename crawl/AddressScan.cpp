#include "crawl/AddressScan.h"

namespace AddressScan {

QByteArrayList ExtractEmails(QByteArrayView)
{
    return {};
}

} // namespace AddressScan
