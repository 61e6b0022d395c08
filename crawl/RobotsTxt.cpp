#include "crawl/RobotsTxt.h"

RobotsTxt RobotsTxt::allowAll()
{
    return RobotsTxt();
}

RobotsTxt RobotsTxt::disallowAll()
{
    RobotsTxt robots;
    robots.everything_ = false;
    return robots;
}

RobotsTxt RobotsTxt::parse(QByteArrayView, QByteArrayView)
{
    return allowAll();
}

bool RobotsTxt::allows(QByteArrayView) const
{
    return everything_;
}
