// Record values: a field of any shape decoded from the data bytes of a
// response, and the decoded value encoded again. The first bytes choose the
// field and the item; the rest are the response's data.
#include "fuzz/FuzzInput.h"
#include "platform/applet/ValueEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzInput input(data, size);
    applet::FieldLayout field;
    field.item = QStringLiteral("item");
    field.encoding = static_cast<applet::Encoding>(input.TakeByte() % (static_cast<int>(applet::Encoding::Skip) + 1));
    const auto type = static_cast<applet::ItemType>(input.TakeByte() % (static_cast<int>(applet::ItemType::Boolean) + 1));
    field.offset = input.TakeByte() % 32;
    field.length = input.TakeByte() % 40;
    field.shift = static_cast<int8_t>(input.TakeByte());
    field.mask = 0;
    for (int i = 0; i < 4; ++i)
        field.mask = (field.mask << 8) | input.TakeByte();
    const int32_t itemSize = input.TakeByte();
    const QByteArray bytes = input.Rest();

    QVariant value;
    QString why;
    if (!applet::ValueEncoding::Decode(field, type, itemSize, bytes, value, &why)) {
        if (why.isEmpty())
            fuzz::Fail("a refused field has no reason");
        return 0;
    }
    QByteArray request(bytes.size(), '\0');
    applet::ValueEncoding::Encode(field, type, value, request, &why);
    applet::ItemValue::ToText(type, value);
    return 0;
}
