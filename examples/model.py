"""A small end-to-end tour of the modelling language."""
import forvela as fv

# Number literals fold where they meet, and keep their kind.
price = fv.NumberLit(12) + 3.5
print("price:", price, "->", price.dtype)

# Powers, remainders and quotients become operator nodes.
share = (fv.NumberLit(2) ** 10) % 7 / 3
print("str:  ", share)
print("repr: ", repr(share))
print("latex:", share._repr_latex_())

# Comparisons build conditions, which combine with & | ^.
condition = (share <= 100) & (price != 0)
print("condition:", condition)
print("latex:    ", condition._repr_latex_())
