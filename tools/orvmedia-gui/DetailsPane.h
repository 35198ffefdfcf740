#pragma once

// The details of the file chosen in the table: its large picture, its title, and every value
// the library holds of it.

#include "ItemRecord.h"

#include <QImage>
#include <QWidget>

class QFormLayout;
class QLabel;

class DetailsPane : public QWidget {
    Q_OBJECT
public:
    explicit DetailsPane(QWidget* parent = nullptr);

    // Shows item with its picture (null: the placeholder); an invalid item empties the pane.
    void showItem(const ItemRecord& item, const QImage& picture);
    void clear();
    const ItemRecord& shown() const { return item; }
    // The value shown for a field ("Duration", "Location", ...); empty when not shown.
    QString valueOf(const QString& field) const;

private:
    void addField(const QString& field, const QString& value);

    ItemRecord item;
    QLabel* picture;
    QLabel* title;
    QFormLayout* fields;
};
