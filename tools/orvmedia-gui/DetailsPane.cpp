#include "DetailsPane.h"

#include "FileUrls.h"
#include "HumanFormat.h"

#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace {
const QSize kPictureBox(256, 160);

QString dateText(const QDateTime& date) {
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}
} // namespace

DetailsPane::DetailsPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    picture = new QLabel;
    picture->setFixedSize(kPictureBox);
    picture->setAlignment(Qt::AlignCenter);
    title = new QLabel;
    title->setWordWrap(true);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    title->setFont(bold);
    title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fields = new QFormLayout;
    fields->setLabelAlignment(Qt::AlignRight);
    fields->setRowWrapPolicy(QFormLayout::DontWrapRows);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(title);
    layout->addLayout(fields);
    layout->addStretch(1);
    clear();
}

void DetailsPane::clear() {
    item = ItemRecord();
    picture->clear();
    title->setText(QStringLiteral("Nothing chosen"));
    while (fields->rowCount() > 0)
        fields->removeRow(0);
}

void DetailsPane::addField(const QString& field, const QString& value) {
    if (value.isEmpty())
        return;
    auto* shown = new QLabel(value);
    shown->setWordWrap(true);
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    shown->setObjectName(field);
    fields->addRow(field, shown);
}

QString DetailsPane::valueOf(const QString& field) const {
    const auto* shown = findChild<QLabel*>(field);
    return shown ? shown->text() : QString();
}

void DetailsPane::showItem(const ItemRecord& shownItem, const QImage& large) {
    clear();
    if (!shownItem.valid)
        return;
    item = shownItem;
    if (!large.isNull())
        picture->setPixmap(QPixmap::fromImage(
            large.scaled(kPictureBox, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    else
        picture->setText(QStringLiteral("No picture"));
    title->setText(item.title);
    addField(QStringLiteral("Location"), displayUrl(item.url));
    if (item.durationMs >= 0)
        addField(QStringLiteral("Duration"), formatDuration(item.durationMs));
    if (item.size >= 0)
        addField(QStringLiteral("Size"), QStringLiteral("%1 (%2 bytes)")
                                             .arg(formatSize(item.size))
                                             .arg(QLocale().toString(item.size)));
    if (item.plays >= 0)
        addField(QStringLiteral("Plays"), QString::number(item.plays));
    addField(QStringLiteral("Last played"), dateText(item.lastPlayed));
    if (item.rating > 0)
        addField(QStringLiteral("Rating"), QString::number(item.rating));
    addField(QStringLiteral("Added"), dateText(item.added));
    addField(QStringLiteral("Description"), item.description);
    addField(QStringLiteral("Resume at"), resumeText(item.positions));
    addField(QStringLiteral("Status"), downloadStatusName(item.status));
    if (item.percent >= 0)
        addField(QStringLiteral("Done"), QStringLiteral("%1 %").arg(item.percent));
    if (!item.downloadUrl.isEmpty())
        addField(QStringLiteral("Download"), displayUrl(item.downloadUrl));
    addField(QStringLiteral("Provider"), item.provider);
}
