#include "catalogue/TCheckInProperties.h"

#include "platform/TextRules.h"
#include "storage/TSimpleXmlParser.h"

QString TCheckInProperties::AsXmlString() const {
    return QLatin1String("    <Date_time>\r        ") + sDatetime +
           QLatin1String("\r    </Date_time>\r    <Owner>\r        ") + sOwner +
           QLatin1String("\r    </Owner>\r    <Description>\r        ") + sDescription +
           QLatin1String("\r    </Description>");
}

void TCheckInProperties::FromXml(TSimpleXmlParser& Sxp) {
    if (Sxp.findElement(u"Date_time"))
        sDatetime = TextRules::Trim(Sxp.ReadString());
    if (Sxp.findElement(u"Owner"))
        sOwner = TextRules::Trim(Sxp.ReadString());
    if (Sxp.findElement(u"Description"))
        sDescription = TextRules::Trim(Sxp.ReadString());
}
